// Renders the window over a store of a few rows into a PNG file, the way the
// user sees it at start-up (README picture):
//   dbc_window_screenshot STORE.mdb OUTPUT.png
// STORE.mdb is created with sample rows when missing. Run it under an X
// server (xvfb-run) so fonts and the frame are drawn as on a desktop.
#include "snapshot_store.h"
#include "tbtn_exec.h"

#include <QApplication>
#include <QScreen>
#include <QTimer>

#include <filesystem>
#include <iostream>

namespace {

void writeSampleStore(const std::filesystem::path& path) {
    struct Column {
        const char* field;
        const char* length;
        const char* type;
        const char* table;
    };
    const Column columns[] = {
        {"EmpID", "10", "int", "Employee"},           {"EmpName", "50", "varchar", "Employee"},
        {"DeptID", "10", "int", "Employee"},          {"HireDate", "23", "datetime", "Employee"},
        {"Salary", "19", "money", "Employee"},        {"DeptID", "10", "int", "Department"},
        {"DeptName", "40", "nvarchar", "Department"}, {"Memo", "16", "text", "Department"},
    };
    auto store = dbc::SnapshotStore::open(path);
    for (const Column& column : columns) {
        store->appendRow("SourceTable", {{"FieldName", column.field},
                                         {"FieldLength", column.length},
                                         {"FieldType", column.type},
                                         {"TableName", column.table},
                                         {"IsNullable", "1"},
                                         {"TypeStat", "0"},
                                         {"colStat", "0"}});
    }
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 3) {
        std::cerr << "usage: dbc_window_screenshot STORE.mdb OUTPUT.png\n";
        return 2;
    }
    const std::filesystem::path storePath = argv[1];
    const QString output = QString::fromLocal8Bit(argv[2]);
    try {
        if (!std::filesystem::exists(storePath))
            writeSampleStore(storePath);
    } catch (const std::exception& error) {
        std::cerr << error.what() << '\n';
        return 1;
    }

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("dbcompare"));
    dbc::TbtnExec window(storePath);
    window.show();

    int status = 1;
    // Give the window manager, if any, time to frame the window before the
    // screen is grabbed.
    QTimer::singleShot(1500, &window, [&window, &output, &status] {
        const QRect frame = window.frameGeometry();
        QPixmap picture =
            window.screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
        if (picture.isNull() || picture.size() != frame.size())
            picture = window.grab();
        status = picture.save(output, "PNG") ? 0 : 1;
        if (status != 0)
            std::cerr << "cannot write " << output.toStdString() << '\n';
        QApplication::quit();
    });
    QApplication::exec();
    return status;
}
