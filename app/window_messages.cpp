#include "app/window_messages.h"

#include "app/error_box.h"

#include <QMessageBox>
#include <QPushButton>

namespace dbc {

QString connectionFailedMessage(const ConnectionProperties& properties,
                                const std::exception& error) {
    return QStringLiteral("无法连接到服务器 %1：%2")
        .arg(QString::fromStdString(serverAddress(properties.server)),
             QString::fromUtf8(error.what()));
}

QString storeFailedMessage(const std::exception& error) {
    return QStringLiteral("无法使用源数据文件：") + QString::fromUtf8(error.what());
}

QString nothingToExecuteMessage() {
    return QStringLiteral("上框中没有语句：请先输入一条语句，再按“执行一条”");
}

bool confirmExecutingComparedStatements(QWidget* parent) {
    QMessageBox box(QMessageBox::Question, QString(),
                    QStringLiteral("文本框中的内容已不是上次比对产生的语句。\n\n"
                                   "“执 行”执行的是上次比对产生的全部语句，"
                                   "不是文本框中修改后的文字；"
                                   "要执行输入的语句，请用“执行一条”。\n\n"
                                   "仍然执行上次比对产生的语句吗？"),
                    QMessageBox::NoButton, parent);
    box.setObjectName(QStringLiteral("ExecuteEditedScriptBox"));
    QPushButton* execute = box.addButton(QStringLiteral("执行比对语句"), QMessageBox::AcceptRole);
    QPushButton* cancel = box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
    box.setDefaultButton(cancel);
    box.setEscapeButton(cancel);
    prepareMessageBox(box);
    box.exec();
    return box.clickedButton() == execute;
}

} // namespace dbc
