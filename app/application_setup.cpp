#include "app/application_setup.h"

#include <QGuiApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace dbc {

QString programTitle() {
    return QStringLiteral("数据库比对工具");
}

bool setUpApplication(QCoreApplication& application) {
    QCoreApplication::setApplicationName(QStringLiteral("dbcompare"));
    // Qt appends " — <display name>" to every window title that does not
    // already end with it; the caption is the display name, so it stands alone.
    QGuiApplication::setApplicationDisplayName(programTitle());

    auto* translator = new QTranslator(&application);
    if (!translator->load(QStringLiteral("qtbase_zh_CN"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    return true;
}

} // namespace dbc
