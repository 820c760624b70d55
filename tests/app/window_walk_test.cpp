// The walk of a new user through the window against the test server, run
// under a real X server: "执 行" only where the script was compared, once,
// after a question naming the server, the database and the count; messages
// that say what happened; stopping a capture or an execute; saving; a
// maximised window; the shortcuts from every box; the remembered boxes.
#include "app/tbtn_exec.h"
#include "data/test_point.h"
#include "tests/app/modal_box_watcher.h"
#include "tests/app/qstring_printer.h"
#include "tests/app/test_store.h"
#include "tests/app/window_fixture.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QHeaderView>
#include <QMessageBox>
#include <QProgressBar>
#include <QSettings>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace dbc {
namespace {

namespace fs = std::filesystem;

class WindowWalk : public test::WindowHandlers {
protected:
    QString statementCount() { return QString::number(statements().size()); }
    void postEscape() {
        QCoreApplication::postEvent(
            m_window.get(), new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    }
    fs::path storeFile() const { return m_dir.path() / "Source.mdb"; }
};

// Presses Enter on the first message box that shows, recording its default
// button's text: Enter answers what the default button says.
class EnterOnBox {
public:
    EnterOnBox() {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* box = qobject_cast<QMessageBox*>(widget);
                if (box == nullptr || !box->isVisible())
                    continue;
                m_text = box->text();
                m_default = box->defaultButton() != nullptr ? box->defaultButton()->text() : "";
                m_timer.stop();
                QTest::keyClick(box, Qt::Key_Return);
                return;
            }
        });
        m_timer.start();
    }
    QString m_text;
    QString m_default;

private:
    QTimer m_timer;
};

// Fault 1: the boxes now name another database; "执 行" says so, names the
// compared server, database and count, and runs there only.
TEST_F(WindowWalk, ExecuteRunsOnlyWhereTheScriptWasCompared) {
    const std::string compared = capturedAndCompared("w_walk_a");
    const QStringList list = statements();
    ASSERT_GT(list.size(), 2);
    const std::string other = freshTarget("w_walk_b");
    setBoxes(s_server->serverName(), other, "sa", "pw");
    {
        // Enter takes the default, 取消: nothing runs.
        m_anyBox.reset();
        EnterOnBox enter;
        click("SpeedButton1");
        EXPECT_EQ(enter.m_default, QStringLiteral("取消"));
        EXPECT_TRUE(enter.m_text.startsWith(
            QStringLiteral("将在服务器 %1 的数据库 %2 上执行上次比对产生的 %3 条语句。")
                .arg(QString::fromStdString(s_server->serverName()),
                     QString::fromStdString(compared), statementCount())))
            << enter.m_text.toStdString();
        EXPECT_TRUE(enter.m_text.contains(QString::fromStdString(other)))
            << "the question names the database the boxes now hold";
    }
    m_anyBox = std::make_unique<test::ModalBoxWatcher>();
    test::ModalBoxWatcher boxes(
        QStringList{QStringLiteral("执行比对语句"), QStringLiteral("继续执行")});
    click("SpeedButton1");
    // Asked where, then the data check (a value the rebuild cannot convert).
    ASSERT_EQ(boxes.texts().size(), 3);
    EXPECT_TRUE(boxes.text().startsWith(QStringLiteral("执行完毕！")))
        << boxes.text().toStdString();

    // The compared database changed (only the refused statements are left),
    // the one the boxes named did not.
    click("BtnCompare");
    EXPECT_EQ(statements().mid(1), list.mid(1)) << "the other database is untouched";
    setBoxes(s_server->serverName(), compared, "sa", "pw");
    click("BtnCompare");
    EXPECT_LT(statements().size(), list.size());
}

// Fault 1: a capture between the compare and "执 行" leaves nothing to run.
TEST_F(WindowWalk, ACaptureSinceTheCompareLeavesNothingToExecute) {
    const std::string target = capturedAndCompared("w_walk_cap");
    const QStringList list = statements();
    const QString script = memo();
    setBoxes(s_server->serverName(), "src", "sa", "pw");
    click("BtnReadSource");
    test::ModalBoxWatcher boxes(QStringLiteral("执行比对语句"));
    click("SpeedButton1");
    EXPECT_EQ(boxes.texts(),
              QStringList{QStringLiteral(
                  "比对之后又读取了源数据，上次比对产生的语句不再执行：请重新按“比 对”。")});
    EXPECT_EQ(memo(), script);
    setBoxes(s_server->serverName(), target, "sa", "pw");
    click("BtnCompare");
    EXPECT_EQ(statements(), list) << "nothing ran";
}

// Faults 2, 3 and 6: nothing compared, nothing differs, already executed.
TEST_F(WindowWalk, ExecuteSaysWhyNothingRuns) {
    const QString help = memo();
    test::ModalBoxWatcher boxes(
        QStringList{QStringLiteral("执行比对语句"), QStringLiteral("继续执行")});
    click("SpeedButton1");
    EXPECT_EQ(boxes.texts().value(0),
              QStringLiteral("没有可执行的语句：请先按“比 对”，比对产生语句后再按“执 行”。"));
    EXPECT_EQ(memo(), help);

    // The source compared with itself: nothing differs.
    click("BtnReadSource");
    click("BtnCompare");
    EXPECT_EQ(boxes.text(),
              QStringLiteral("目标数据库 src 与源数据一致，没有差异，不需要执行任何语句。"));
    click("SpeedButton1");
    EXPECT_EQ(boxes.text(), QStringLiteral("上次比对没有发现差异，没有需要执行的语句。"));

    // Run once; the second press runs nothing and leaves the report.
    const std::string target = freshTarget("w_walk_twice");
    setBoxes(s_server->serverName(), target, "sa", "pw");
    click("BtnCompare");
    click("SpeedButton1");
    ASSERT_TRUE(boxes.text().startsWith(QStringLiteral("执行完毕！")))
        << boxes.text().toStdString();
    const QString report = memo();
    EXPECT_TRUE(report.contains(QStringLiteral("【被拒绝】"))) << report.toStdString();
    EXPECT_FALSE(child<QPlainTextEdit>("Memo1")->extraSelections().isEmpty())
        << "the refused statements are marked";
    const int before = boxes.count();
    click("SpeedButton1");
    EXPECT_EQ(boxes.count(), before + 1) << "no question, one message";
    EXPECT_EQ(boxes.text(),
              QStringLiteral("上次比对产生的语句已经执行过了：要再执行，请先重新按“比 对”。"));
    EXPECT_EQ(memo(), report);
}

// Fault 7: "执行一条" sends only what the user typed, never the help text or
// a shown script; the server box points nowhere, so any attempt to connect
// would show a connection failure instead.
TEST_F(WindowWalk, ExecuteOneSendsOnlyTypedText) {
    const QString refused = QStringLiteral(
        "文本框中没有您输入的语句：请先在右侧的文本框中输入或修改一条语句，再按“执行一条”。"
        "帮助文字和程序显示的脚本不会被执行。");
    test::ModalBoxWatcher boxes;
    setBoxes("127.0.0.1,1", "src", "sa", "pw");
    click("SpeedButton2");
    EXPECT_EQ(boxes.texts(), QStringList{refused});

    setBoxes(s_server->serverName(), "src", "sa", "pw");
    click("BtnReadSource");
    capturedAndCompared("w_walk_one");
    setBoxes("127.0.0.1,1", "src", "sa", "pw");
    click("SpeedButton2");
    EXPECT_EQ(boxes.text(), refused) << "a compared script is not typed text";
    typeIntoMemo(QStringLiteral("select 1"));
    click("SpeedButton2");
    EXPECT_TRUE(boxes.text().startsWith(QStringLiteral("无法连接到服务器 127.0.0.1,1：")))
        << boxes.text().toStdString();
}

// Item 12: where the snapshot came from, beside the grid.
TEST_F(WindowWalk, ShowsWhereTheSnapshotCameFrom) {
    EXPECT_EQ(child<QLabel>("LblSource")->text(), QString());
    click("BtnReadSource");
    const QString origin = child<QLabel>("LblSource")->text();
    EXPECT_TRUE(origin.startsWith(QStringLiteral("来自 %1 上的 src，读于 ")
                                      .arg(QString::fromStdString(s_server->serverName()))))
        << origin.toStdString();
    EXPECT_TRUE(origin.endsWith(QStringLiteral("（UTC）"))) << origin.toStdString();
}

// Escape during a capture asks; stopped, the old snapshot file stays whole.
TEST_F(WindowWalk, EscapeStopsACaptureAndKeepsTheOldFile) {
    click("BtnReadSource");
    const std::string before = test::fileBytes(storeFile());
    freshTarget("w_walk_stop");
    setBoxes(s_server->serverName(), "w_walk_stop", "sa", "pw");
    postEscape();
    test::ModalBoxWatcher boxes(QStringLiteral("停止"));
    click("BtnReadSource");
    ASSERT_EQ(boxes.texts().size(), 2) << boxes.texts().join(QStringLiteral(" / ")).toStdString();
    EXPECT_TRUE(boxes.texts().front().startsWith(QStringLiteral("要停止正在进行的工作吗？")));
    EXPECT_EQ(boxes.text(), QStringLiteral("已停止读取源数据：源数据文件保持原样。"));
    EXPECT_EQ(test::fileBytes(storeFile()), before);
    EXPECT_EQ(gridRows(), 7);
    EXPECT_TRUE(m_window->isVisible());
}

// Escape during a compare: it stops before its next query, shows nothing
// new and leaves nothing to execute.
TEST_F(WindowWalk, EscapeStopsACompare) {
    click("BtnReadSource");
    const std::string target = freshTarget("w_walk_cmp_stop");
    setBoxes(s_server->serverName(), target, "sa", "pw");
    const QString help = memo();
    postEscape();
    test::ModalBoxWatcher boxes(QStringLiteral("停止"));
    click("BtnCompare");
    ASSERT_EQ(boxes.texts().size(), 2) << boxes.texts().join(QStringLiteral(" / ")).toStdString();
    EXPECT_EQ(boxes.text(), QStringLiteral("已停止比对：没有产生语句，目标数据库没有改动。"));
    EXPECT_TRUE(statements().isEmpty());
    EXPECT_EQ(memo(), help);
    click("SpeedButton1");
    EXPECT_TRUE(boxes.text().startsWith(QStringLiteral("没有可执行的语句")))
        << boxes.text().toStdString();
}

// Closing the window during a capture asks; stopped, the window closes and
// the old snapshot file stays whole.
TEST_F(WindowWalk, ClosingDuringACaptureStopsItThenCloses) {
    click("BtnReadSource");
    const std::string before = test::fileBytes(storeFile());
    QCoreApplication::postEvent(m_window.get(), new QCloseEvent);
    test::ModalBoxWatcher boxes(QStringLiteral("停止"));
    click("BtnReadSource");
    ASSERT_FALSE(boxes.texts().isEmpty());
    EXPECT_TRUE(boxes.texts().front().startsWith(
        QStringLiteral("工作还没有完成：要停止它并关闭本工具吗？")));
    EXPECT_TRUE(QTest::qWaitFor([this] { return !m_window->isVisible(); }, 10000));
    EXPECT_EQ(test::fileBytes(storeFile()), before);
}

// Escape during "执 行": the run stops between statements and says how far
// it got; what did not run is still to be done.
TEST_F(WindowWalk, EscapeStopsAnExecuteBetweenStatements) {
    const std::string target = capturedAndCompared("w_walk_exec_stop");
    const QStringList list = statements();
    ASSERT_GT(list.size(), 3);
    static TbtnExec* window = nullptr;
    static int statementsStarted = 0;
    window = m_window.get();
    statementsStarted = 0;
    // As the second statement starts, the user presses Escape.
    setTestPointHandler([](std::string_view point) {
        if (point == "execute-statement" && ++statementsStarted == 2) {
            QCoreApplication::postEvent(
                window, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
            QCoreApplication::processEvents();
        }
    });
    test::ModalBoxWatcher boxes(
        {QStringLiteral("执行比对语句"), QStringLiteral("继续执行"), QStringLiteral("停止")});
    click("SpeedButton1");
    setTestPointHandler(nullptr);
    EXPECT_TRUE(boxes.text().startsWith(
        QStringLiteral("已停止执行：共 %1 条语句，从第 3 条起没有执行；").arg(list.size())))
        << boxes.texts().join(QStringLiteral(" / ")).toStdString();
    EXPECT_TRUE(memo().contains(QStringLiteral("已按要求停止：从第 3 条语句起")))
        << memo().toStdString();
    click("BtnCompare");
    EXPECT_GE(statements().size(), list.size() - 1) << "the rest did not run";
}

// Item 9: the script saved as a query tool runs it, each statement its own
// batch; never onto the store's own files.
TEST_F(WindowWalk, SavesTheScriptAndNeverOverTheStore) {
    EXPECT_EQ(m_window->scriptTextToSave(), QString());
    capturedAndCompared("w_walk_save");
    const QString path = QString::fromStdString((m_dir.path() / "upgrade.sql").string());
    m_window->saveScriptTo(path);
    QFile saved(path);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(saved.readAll());
    EXPECT_EQ(text, m_window->scriptTextToSave());
    QStringList batches = text.split(QStringLiteral("\nGo\n"));
    EXPECT_TRUE(batches.takeLast().isEmpty()) << "the file ends with a Go line";
    EXPECT_EQ(batches.size(), statements().size()) << text.toStdString();
    EXPECT_TRUE(batches.value(0).startsWith(QStringLiteral("use "))) << text.toStdString();

    const std::string before = test::fileBytes(storeFile());
    for (const char* name : {"Source.mdb", "Source.mdb-journal", "Source.mdb-wal"}) {
        const QString onto = QString::fromStdString((m_dir.path() / name).string());
        EXPECT_THROW(m_window->saveScriptTo(onto), std::runtime_error) << name;
    }
    EXPECT_EQ(test::fileBytes(storeFile()), before);
    EXPECT_FALSE(fs::exists(m_dir.path() / "Source.mdb-journal"));
    auto* action = m_window->findChild<QAction*>(QStringLiteral("SaveScriptAction"));
    ASSERT_NE(action, nullptr);
    EXPECT_EQ(action->text(), QStringLiteral("保存脚本..."));
    EXPECT_EQ(action->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
}

// The difference report of the compare shown, as HTML or JSON; never onto
// the store's own files.
TEST_F(WindowWalk, SavesTheDifferenceReportOfTheCompareShown) {
    EXPECT_FALSE(m_window->hasReportToSave());
    EXPECT_THROW(
        m_window->saveReportTo(QString::fromStdString((m_dir.path() / "none.html").string())),
        std::runtime_error);
    capturedAndCompared("w_walk_report");
    ASSERT_TRUE(m_window->hasReportToSave());
    const fs::path html = m_dir.path() / "report.html";
    const fs::path json = m_dir.path() / "report.json";
    m_window->saveReportTo(QString::fromStdString(html.string()));
    m_window->saveReportTo(QString::fromStdString(json.string()));
    const std::string page = test::fileBytes(html);
    EXPECT_NE(page.find("<html"), std::string::npos);
    EXPECT_NE(page.find("w_walk_report"), std::string::npos) << "names the target database";
    EXPECT_EQ(test::fileBytes(json).rfind("{", 0), 0u);
    const std::string before = test::fileBytes(storeFile());
    EXPECT_THROW(m_window->saveReportTo(QString::fromStdString(storeFile().string())),
                 std::runtime_error);
    EXPECT_EQ(test::fileBytes(storeFile()), before);
    auto* action = m_window->findChild<QAction*>(QStringLiteral("SaveReportAction"));
    ASSERT_NE(action, nullptr);
    EXPECT_EQ(action->text(), QStringLiteral("保存差异报告..."));
    EXPECT_EQ(action->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
}

// Item 8: maximised, the grid and the text box take the space gained; the
// rest keeps its order and stays inside.
TEST_F(WindowWalk, MaximisedTheGridAndTextBoxGrow) {
    click("BtnReadSource");
    m_window->showMaximized();
    ASSERT_TRUE(QTest::qWaitFor(
        [this] { return m_window->width() > 800 && m_window->height() > 600; }, 20000));
    const QRect window = m_window->rect();
    const QRect grid = child<QWidget>("dxDBGrid1")->geometry();
    const QRect text = child<QWidget>("Memo1")->geometry();
    const QRect bar = child<QWidget>("PB1")->geometry();
    EXPECT_GT(grid.width(), 361);
    EXPECT_GT(grid.height(), 265);
    EXPECT_GT(text.width(), 321);
    EXPECT_GT(text.height(), 393);
    EXPECT_LT(grid.right(), text.left());
    EXPECT_GE(bar.width(), window.width() - 40);
    for (const char* name : {"EdtPassword", "PB1", "BtnReadSource", "SpeedButton2", "Label6"}) {
        const QRect r = child<QWidget>(name)->geometry();
        EXPECT_TRUE(window.contains(r)) << name;
        EXPECT_GT(r.top(), grid.bottom()) << name;
    }
    EXPECT_GT(child<QWidget>("SpeedButton2")->geometry().left(), 634);
    // The grid's last column is as wide as its caption and rows need.
    auto* table = child<QTableView>("dxDBGrid1");
    EXPECT_GE(table->columnWidth(3), table->horizontalHeader()->sectionSizeHint(3));
}

// Item 11: the shortcuts work from every box, also where a line edit would
// take Ctrl+E for itself.
TEST_F(WindowWalk, ShortcutsWorkFromEveryBox) {
    QApplication::setActiveWindow(m_window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_window.get()));
    for (const char* name :
         {"EdtDataSource", "EdtDataBase", "EdtUserNo", "EdtPassword", "Memo1", "dxDBGrid1"}) {
        // The box of the last round has gone, but the window manager gives
        // the window back its activation in its own time: a key sent before
        // then goes nowhere.
        ASSERT_TRUE(
            QTest::qWaitFor([] { return QApplication::activeModalWidget() == nullptr; }, 5000))
            << name;
        QApplication::setActiveWindow(m_window.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_window.get())) << name;
        child<QWidget>(name)->setFocus();
        ASSERT_TRUE(QTest::qWaitFor([&] { return child<QWidget>(name)->hasFocus(); }, 5000))
            << name;
        test::ModalBoxWatcher boxes;
        QTest::keyClick(m_window->windowHandle(), Qt::Key_E, Qt::ControlModifier);
        ASSERT_TRUE(QTest::qWaitFor([&boxes] { return boxes.seen(); }, 5000)) << name;
        EXPECT_TRUE(boxes.text().startsWith(QStringLiteral("没有可执行的语句"))) << name;
    }
}

// Item 8: the size, place and boxes come back at the next start; the
// password never goes to the settings.
TEST_F(WindowWalk, RemembersTheBoxesButNeverThePassword) {
    const QString file = QString::fromStdString((m_dir.path() / "settings.ini").string());
    {
        TbtnExec first(m_dir.path() / "Source.mdb");
        first.rememberIn(std::make_unique<QSettings>(file, QSettings::IniFormat));
        first.show();
        first.findChild<QLineEdit*>(QStringLiteral("EdtDataSource"))
            ->setText(QStringLiteral("cust01"));
        first.findChild<QLineEdit*>(QStringLiteral("EdtDataBase"))
            ->setText(QStringLiteral("客户库"));
        first.findChild<QLineEdit*>(QStringLiteral("EdtPassword"))
            ->setText(QStringLiteral("s3cret-pw"));
        first.close();
    }
    QFile ini(file);
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    const QByteArray stored = ini.readAll();
    EXPECT_FALSE(stored.contains("s3cret-pw"));
    EXPECT_TRUE(stored.contains("cust01"));
    TbtnExec second(m_dir.path() / "Source.mdb");
    second.rememberIn(std::make_unique<QSettings>(file, QSettings::IniFormat));
    EXPECT_EQ(second.findChild<QLineEdit*>(QStringLiteral("EdtDataSource"))->text(),
              QStringLiteral("cust01"));
    EXPECT_EQ(second.findChild<QLineEdit*>(QStringLiteral("EdtDataBase"))->text(),
              QStringLiteral("客户库"));
    EXPECT_EQ(second.findChild<QLineEdit*>(QStringLiteral("EdtPassword"))->text(), QString());
}

} // namespace
} // namespace dbc
