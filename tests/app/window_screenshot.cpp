// Renders the window over a store of a few rows into a PNG file, the way the
// user sees it at start-up (README picture):
//   dbc_window_screenshot STORE.mdb OUTPUT.png
// or, given a server, during a capture with its progress bar:
//   dbc_window_screenshot STORE.mdb OUTPUT.png SERVER DATABASE USER PASSWORD
// or, given a target database too, maximised after capture and compare with
// the script in the text box:
//   dbc_window_screenshot STORE.mdb OUTPUT.png SERVER DATABASE USER PASSWORD TARGET
// STORE.mdb is created with sample rows when missing. Run it under an X
// server (xvfb-run) so fonts and the frame are drawn as on a desktop.
#include "app/application_setup.h"
#include "app/tbtn_exec.h"
#include "snapshot/snapshot_store.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
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

// The window with its frame as the screen shows it.
bool saveWindowPicture(dbc::TbtnExec& window, const QString& output) {
    const QRect frame = window.frameGeometry();
    QPixmap picture =
        window.screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    if (picture.isNull() || picture.size() != frame.size())
        picture = window.grab();
    if (picture.save(output, "PNG"))
        return true;
    std::cerr << "cannot write " << output.toStdString() << '\n';
    return false;
}

// Answers every message box the window shows while `timer` runs.
void answerMessageBoxes(QTimer& timer) {
    timer.setInterval(20);
    QObject::connect(&timer, &QTimer::timeout, [] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* box = qobject_cast<QMessageBox*>(widget); box != nullptr && box->isVisible())
                box->accept();
        }
    });
    timer.start();
}

// Fills the connection boxes, presses "读源数据" and takes the picture once
// the bar has come a third of the way through the column rows.
bool pictureDuringCapture(dbc::TbtnExec& window, const QString& output, char* boxes[4]) {
    const char* names[] = {"EdtDataSource", "EdtDataBase", "EdtUserNo", "EdtPassword"};
    for (int i = 0; i < 4; ++i)
        window.findChild<QLineEdit*>(QString::fromLatin1(names[i]))
            ->setText(QString::fromLocal8Bit(boxes[i]));
    auto* bar = window.findChild<QProgressBar*>(QStringLiteral("PB1"));
    bool taken = false;
    bool saved = false;
    QTimer watch;
    watch.setInterval(5);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (taken || !bar->isVisible() || bar->maximum() <= 0 || bar->value() < bar->maximum() / 3)
            return;
        taken = true;
        saved = saveWindowPicture(window, output);
    });
    watch.start();
    // The capture ends with a message box saying what it read.
    QTimer answer;
    answerMessageBoxes(answer);
    window.findChild<QPushButton*>(QStringLiteral("BtnReadSource"))->click();
    if (!taken)
        std::cerr << "the capture ended before the picture could be taken\n";
    return saved;
}

// Captures, compares with `target` and takes the picture of the maximised
// window showing the script; the message boxes on the way are answered.
bool pictureMaximisedWithScript(dbc::TbtnExec& window, const QString& output, char* boxes[4],
                                const char* target) {
    const char* names[] = {"EdtDataSource", "EdtDataBase", "EdtUserNo", "EdtPassword"};
    for (int i = 0; i < 4; ++i)
        window.findChild<QLineEdit*>(QString::fromLatin1(names[i]))
            ->setText(QString::fromLocal8Bit(boxes[i]));
    QTimer answer;
    answerMessageBoxes(answer);
    window.findChild<QPushButton*>(QStringLiteral("BtnReadSource"))->click();
    window.findChild<QLineEdit*>(QStringLiteral("EdtDataBase"))
        ->setText(QString::fromLocal8Bit(target));
    window.findChild<QPushButton*>(QStringLiteral("BtnCompare"))->click();
    answer.stop();
    window.showMaximized();
    QElapsedTimer settle;
    settle.start();
    // The window manager maximises the window some time after the request.
    while (window.width() < 900 && settle.elapsed() < 20000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    QCoreApplication::processEvents();
    return saveWindowPicture(window, output);
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 3 && argc != 7 && argc != 8) {
        std::cerr << "usage: dbc_window_screenshot STORE.mdb OUTPUT.png "
                     "[SERVER DATABASE USER PASSWORD]\n";
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
    dbc::setUpApplication(application);
    dbc::TbtnExec window(storePath);
    window.show();

    int status = 1;
    // Give the window manager, if any, time to frame the window before the
    // screen is grabbed.
    QTimer::singleShot(1500, &window, [&window, &output, &status, argc, argv] {
        const bool saved = argc == 8 ? pictureMaximisedWithScript(window, output, argv + 3, argv[7])
                           : argc == 7 ? pictureDuringCapture(window, output, argv + 3)
                                       : saveWindowPicture(window, output);
        status = saved ? 0 : 1;
        QApplication::quit();
    });
    QApplication::exec();
    return status;
}
