// The four working buttons driven as a user drives them, against the
// project's test server: capture, compare, execute and execute one.
#include "app/tbtn_exec.h"
#include "data/sql_server_connection.h"
#include "tests/app/modal_box_watcher.h"
#include "tests/app/qstring_printer.h"
#include "tests/app/test_store.h"
#include "tests/app/window_fixture.h"
#include "tests/support/result_lines.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTimer>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace dbc {
namespace {

namespace fs = std::filesystem;
using test::sourceDir;
using test::WindowHandlers;

TEST_F(WindowHandlers, CaptureFillsTheGridAndHidesTheBar) {
    test::ModalBoxWatcher boxes;
    click("BtnReadSource");
    // The capture says what it read, from where.
    EXPECT_EQ(boxes.count(), 1);
    EXPECT_TRUE(boxes.text().startsWith(
        QStringLiteral("已读取服务器 %1 上的数据库 src：").arg(s_server->serverName().c_str())))
        << boxes.text().toStdString();
    EXPECT_TRUE(boxes.text().contains(QStringLiteral("2 个表，7 个字段")))
        << boxes.text().toStdString();
    EXPECT_EQ(gridRows(), 7);
    EXPECT_EQ(countLabel(), QStringLiteral("共有字段:7"));
    EXPECT_FALSE(child<QProgressBar>("PB1")->isVisible());
}

TEST_F(WindowHandlers, CaptureReplacesTheFileAndTheWindowFollowsIt) {
    const fs::path store = m_dir.path() / "Source.mdb";
    click("BtnReadSource");
    ASSERT_EQ(gridRows(), 7);
    struct stat first {};
    ::stat(store.c_str(), &first);

    // The other source has one table of the first.
    test::loadCatalog(s_dir->path() / "data", "w_other", sourceDir() / "tests/cli/cli_target.sql");
    setBoxes(s_server->serverName(), "w_other", "sa", "pw");
    test::ModalBoxWatcher boxes;
    click("BtnReadSource");
    EXPECT_TRUE(boxes.text().contains(QStringLiteral("w_other"))) << boxes.text().toStdString();
    struct stat second {};
    ::stat(store.c_str(), &second);
    EXPECT_NE(first.st_ino, second.st_ino) << "a new file took the old one's place";
    EXPECT_FALSE(m_window->store().replacedOnDisk()) << "the window reads the new file";
    EXPECT_EQ(QString::number(gridRows()), countLabel().mid(5));
    EXPECT_NE(gridRows(), 7);
    EXPECT_FALSE(fs::exists(store.string() + "-journal"));
}

TEST_F(WindowHandlers, AnEmptyDatabaseNameIsRefusedAndCreatesNothing) {
    setBoxes(s_server->serverName(), "", "sa", "pw");
    test::ModalBoxWatcher boxes;
    click("BtnReadSource");
    EXPECT_EQ(boxes.icon(), QMessageBox::Critical);
    EXPECT_TRUE(boxes.text().contains(QStringLiteral("database name is empty")))
        << boxes.text().toStdString();
    EXPECT_FALSE(fs::exists(m_dir.path() / "Source.mdb"));
    EXPECT_TRUE(fs::is_empty(m_dir.path()));
}

TEST_F(WindowHandlers, RefusedLoginKeepsThePreviousSnapshot) {
    click("BtnReadSource");
    ASSERT_EQ(gridRows(), 7);
    const std::string before = test::fileBytes(m_dir.path() / "Source.mdb");
    setBoxes(s_server->serverName(), "src", "sa", "wrong");
    test::ModalBoxWatcher boxes;
    click("BtnReadSource");
    EXPECT_TRUE(boxes.seen());
    EXPECT_EQ(boxes.icon(), QMessageBox::Critical);
    EXPECT_TRUE(boxes.text().contains(QStringLiteral("Login failed")))
        << boxes.text().toStdString();
    EXPECT_EQ(gridRows(), 7);
    EXPECT_EQ(countLabel(), QStringLiteral("共有字段:7"));
    // The file itself, not only what the window shows, is the old snapshot.
    EXPECT_EQ(test::fileBytes(m_dir.path() / "Source.mdb"), before);
}

TEST_F(WindowHandlers, CompareFillsBothFacesAndExecuteRunsTheList) {
    click("BtnReadSource");
    std::string target = freshTarget("w_exec");
    setBoxes(s_server->serverName(), target, "sa", "pw");
    {
        test::ModalBoxWatcher boxes;
        click("BtnCompare");
        EXPECT_FALSE(boxes.seen()) << boxes.text().toStdString();
    }
    const QStringList list = statements();
    ASSERT_FALSE(list.isEmpty());
    EXPECT_EQ(list.front(), QStringLiteral("use w_exec"));
    EXPECT_TRUE(memo().startsWith(QStringLiteral("use w_exec\n"))) << memo().toStdString();
    // The index comes back within the rebuild of the identity column's table.
    EXPECT_FALSE(
        list.filter(QStringLiteral("\nCreate INDEX IX_Emp_Dept On [Emp] ([DeptNo],[Name]) ON "
                                   "[PRIMARY]\n"))
            .isEmpty())
        << list.join(QStringLiteral("\n")).toStdString();

    // What the user types into the text box never reaches "执 行"; asked
    // first, the user chose to run the compared statements.
    child<QPlainTextEdit>("Memo1")->setPlainText(QStringLiteral("DROP TABLE [Emp ]"));
    test::ModalBoxWatcher answered(
        QStringList{QStringLiteral("执行比对语句"), QStringLiteral("继续执行")});
    click("SpeedButton1");
    ASSERT_EQ(answered.texts().size(), 3)
        << answered.texts().join(QStringLiteral(" / ")).toStdString();
    EXPECT_TRUE(answered.texts().front().contains(QStringLiteral("执行一条")));
    // The data check names the value the rebuild's copy cannot convert.
    EXPECT_TRUE(answered.texts()[1].contains(
        QStringLiteral("值不能转换为新的类型，语句将被拒绝：1 行\n    INSERT INTO Tmp_Emp")))
        << answered.texts()[1].toStdString();
    EXPECT_TRUE(
        answered.text().startsWith(QStringLiteral("执行完毕！共 %1 条语句：").arg(list.size())))
        << answered.text().toStdString();
    EXPECT_EQ(statements(), list) << "the list stays for another run";
    // The rebuild that makes the column an identity column is refused (a
    // value that does not convert) and rolled back; the report says so.
    EXPECT_TRUE(memo().contains(QStringLiteral("IDENTITY"))) << memo().toStdString();
    EXPECT_TRUE(memo().contains(QStringLiteral("以上是不能处理的语句"))) << memo().toStdString();

    // A second compare leaves only what the server refused.
    click("BtnCompare");
    for (const QString& statement : statements())
        EXPECT_TRUE(statement == QStringLiteral("use w_exec") || statement.contains("IDENTITY"))
            << statement.toStdString();
}

TEST_F(WindowHandlers, ExecuteOneShowsTheServersRefusal) {
    std::string target = freshTarget("w_one");
    setBoxes(s_server->serverName(), target, "sa", "pw");
    typeIntoMemo(QStringLiteral("CREATE TABLE Added (x int NULL)"));
    {
        test::ModalBoxWatcher boxes;
        click("SpeedButton2");
        EXPECT_EQ(boxes.text(), QStringLiteral("执行完毕！"));
        EXPECT_EQ(boxes.icon(), QMessageBox::NoIcon);
    }
    test::ModalBoxWatcher boxes;
    click("SpeedButton2");
    EXPECT_EQ(boxes.icon(), QMessageBox::Critical);
    EXPECT_TRUE(boxes.text().contains(QStringLiteral("Added"))) << boxes.text().toStdString();
}

// Without a snapshot, "比 对" says so and connects nowhere; "执 行" then
// says there is nothing to run and changes nothing on screen.
TEST_F(WindowHandlers, CompareWithAnEmptySnapshotLeavesTheTextAlone) {
    const QString help = memo();
    test::ModalBoxWatcher boxes;
    click("BtnCompare");
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral(
                                 "还没有源数据：请先填好源数据库的服务器名、数据库名、用户名和"
                                 "密码，按“读源数据”，然后再比对。")});
    EXPECT_EQ(memo(), help);
    EXPECT_TRUE(statements().isEmpty());
    click("SpeedButton1");
    EXPECT_TRUE(boxes.text().startsWith(QStringLiteral("没有可执行的语句")))
        << boxes.text().toStdString();
    EXPECT_EQ(memo(), help);
}

TEST_F(WindowHandlers, RefusedConnectionLeavesAnEmptyListBesideTheOldText) {
    click("BtnReadSource");
    std::string target = freshTarget("w_conn");
    setBoxes(s_server->serverName(), target, "sa", "pw");
    click("BtnCompare");
    QString script = memo();
    ASSERT_FALSE(statements().isEmpty());
    setBoxes(s_server->serverName(), target, "sa", "wrong");
    test::ModalBoxWatcher boxes;
    click("BtnCompare");
    EXPECT_TRUE(boxes.seen());
    EXPECT_EQ(boxes.icon(), QMessageBox::Critical);
    EXPECT_TRUE(boxes.text().contains(QStringLiteral("Login failed for user 'sa'.")))
        << boxes.text().toStdString();
    EXPECT_TRUE(statements().isEmpty());
    EXPECT_EQ(memo(), script);
    // The failed compare leaves nothing to execute.
    click("SpeedButton1");
    EXPECT_TRUE(boxes.text().startsWith(QStringLiteral("没有可执行的语句")))
        << boxes.text().toStdString();
    EXPECT_EQ(memo(), script);
}

// How the window looked the first time the running handler let events run.
struct BusyProbe {
    bool ran = false;
    bool waitCursor = false;
    bool buttonsDisabled = false;
    bool barVisible = false;
    int barMaximum = -1;
};

struct BusyCase {
    const char* button;
    bool needsCapture;
    bool needsCompare;
    const char* memoText; // typed before the press, when not null
    const char* clickedMeanwhile;
    std::vector<const char*> boxes; // how the boxes the handler itself shows begin
};

class WindowBusy : public WindowHandlers, public ::testing::WithParamInterface<BusyCase> {};

// While a handler runs, the buttons are disabled, the cursor shows it is
// busy and the bar shows from the start; a click and typing that arrive
// meanwhile are dropped, never replayed once the handler has ended.
TEST_P(WindowBusy, InputDuringAHandlerIsDropped) {
    const BusyCase& row = GetParam();
    const std::string target = freshTarget(std::string("w_busy_") + row.button);
    if (row.needsCapture)
        click("BtnReadSource");
    setBoxes(s_server->serverName(), target, "sa", "pw");
    if (row.needsCompare) {
        click("BtnCompare");
        ASSERT_FALSE(statements().isEmpty());
    }
    if (row.memoText != nullptr)
        typeIntoMemo(QString::fromUtf8(row.memoText));
    const QString databaseBox = child<QLineEdit>("EdtDataBase")->text();
    const int statementCount = static_cast<int>(statements().size());

    // Once the work runs (after any question before it), and for "执 行" once
    // its statements are counted, the probe looks at the window and the
    // user clicks and types.
    const bool counted = std::string_view(row.button) == "SpeedButton1";
    BusyProbe probe;
    QTimer probeTimer;
    probeTimer.setInterval(1);
    QObject::connect(&probeTimer, &QTimer::timeout, [&] {
        const bool busy = QApplication::overrideCursor() != nullptr;
        if (probe.ran || !busy || (counted && child<QProgressBar>("PB1")->maximum() <= 0))
            return;
        probe.ran = true;
        probe.waitCursor = QApplication::overrideCursor()->shape() == Qt::WaitCursor;
        probe.buttonsDisabled = true;
        // "关 闭" stays enabled: it asks whether to stop the work.
        for (const char* name : {"BtnReadSource", "BtnCompare", "SpeedButton1", "SpeedButton2"})
            probe.buttonsDisabled = probe.buttonsDisabled && !child<QPushButton>(name)->isEnabled();
        probe.barVisible = child<QProgressBar>("PB1")->isVisible();
        probe.barMaximum = child<QProgressBar>("PB1")->maximum();
        postClick(row.clickedMeanwhile);
        postTyping("EdtDataBase");
    });
    probeTimer.start();
    test::ModalBoxWatcher boxes(
        QStringList{QStringLiteral("执行比对语句"), QStringLiteral("继续执行")});
    click(row.button);
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();

    ASSERT_EQ(boxes.texts().size(), static_cast<qsizetype>(row.boxes.size()))
        << "a click made meanwhile ran afterwards: "
        << boxes.texts().join(QStringLiteral(" / ")).toStdString();
    for (std::size_t i = 0; i < row.boxes.size(); ++i)
        EXPECT_TRUE(
            boxes.texts()[static_cast<qsizetype>(i)].startsWith(QString::fromUtf8(row.boxes[i])))
            << boxes.texts()[static_cast<qsizetype>(i)].toStdString();
    EXPECT_EQ(child<QLineEdit>("EdtDataBase")->text(), databaseBox);
    ASSERT_TRUE(probe.ran);
    EXPECT_TRUE(probe.waitCursor);
    EXPECT_TRUE(probe.buttonsDisabled);
    EXPECT_TRUE(probe.barVisible);
    if (std::string_view(row.button) == "SpeedButton1") {
        EXPECT_EQ(probe.barMaximum, statementCount) << "the bar counts the statements";
    }

    // Afterwards the window is itself again and takes input.
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(child<QPushButton>("SpeedButton1")->isEnabled());
    EXPECT_FALSE(child<QProgressBar>("PB1")->isVisible());
    postTyping("EdtDataBase");
    QCoreApplication::processEvents();
    EXPECT_EQ(child<QLineEdit>("EdtDataBase")->text(), databaseBox + QStringLiteral("x"));
}

const BusyCase kBusyCases[] = {
    {"BtnReadSource", false, false, nullptr, "SpeedButton1", {"已读取服务器"}},
    {"BtnCompare", true, false, nullptr, "SpeedButton1", {}},
    {"SpeedButton1",
     true,
     true,
     nullptr,
     "SpeedButton2",
     {"将在服务器", "执行前的数据检查", "执行完毕！"}},
    {"SpeedButton2",
     false,
     false,
     "CREATE TABLE BusyOne (x int NULL)",
     "SpeedButton1",
     {"执行完毕！"}},
};

INSTANTIATE_TEST_SUITE_P(Window, WindowBusy, ::testing::ValuesIn(kBusyCases),
                         [](const auto& row) { return std::string(row.param.button); });

// An edited text box makes "执 行" ask first; cancelled, nothing runs and
// nothing is lost.
TEST_F(WindowHandlers, ExecuteAsksFirstWhenTheTextWasEdited) {
    capturedAndCompared("w_edited");
    const QStringList list = statements();
    ASSERT_GT(list.size(), 2);
    // The user deletes the last line of the script.
    QStringList lines = memo().split(QLatin1Char('\n'));
    lines.removeLast();
    const QString edited = lines.join(QLatin1Char('\n'));
    child<QPlainTextEdit>("Memo1")->setPlainText(edited);

    test::ModalBoxWatcher boxes;
    click("SpeedButton1");
    ASSERT_EQ(boxes.texts().size(), 1) << boxes.texts().join(QStringLiteral(" / ")).toStdString();
    EXPECT_EQ(boxes.icon(), QMessageBox::Question);
    EXPECT_TRUE(boxes.text().contains(QStringLiteral("上次比对"))) << boxes.text().toStdString();
    EXPECT_EQ(memo(), edited);
    // Nothing ran: the same compare finds the same differences.
    click("BtnCompare");
    EXPECT_EQ(statements(), list);
}

// "执 行" runs with the compare's own login, whatever the boxes hold now:
// after "执行一条" failed to connect with a wrong password, it still runs on
// the compared database, and the report and the closing message follow.
TEST_F(WindowHandlers, ExecuteUsesTheComparesLoginNotTheBoxes) {
    const std::string target = capturedAndCompared("w_reconnect");
    ASSERT_FALSE(statements().isEmpty());

    setBoxes(s_server->serverName(), target, "sa", "wrong");
    typeIntoMemo(QStringLiteral("select 1"));
    const QString tried = QStringLiteral("无法连接到服务器 127.0.0.1,%1：").arg(s_server->port());
    {
        test::ModalBoxWatcher boxes;
        click("SpeedButton2");
        ASSERT_EQ(boxes.texts().size(), 1);
        EXPECT_TRUE(boxes.text().startsWith(tried)) << boxes.text().toStdString();
        EXPECT_TRUE(boxes.text().contains(QStringLiteral("Login failed")))
            << boxes.text().toStdString();
        EXPECT_EQ(memo(), QStringLiteral("select 1"));
    }
    // The data check names the value the rebuild cannot convert: going on.
    test::ModalBoxWatcher boxes(
        QStringList{QStringLiteral("执行比对语句"), QStringLiteral("继续执行")});
    click("SpeedButton1");
    ASSERT_EQ(boxes.texts().size(), 3) << boxes.texts().join(QStringLiteral(" / ")).toStdString();
    EXPECT_TRUE(boxes.texts().front().contains(QStringLiteral("执行一条")))
        << "the text box was edited";
    EXPECT_TRUE(boxes.text().startsWith(QStringLiteral("执行完毕！")))
        << boxes.text().toStdString();
    EXPECT_TRUE(memo().contains(QStringLiteral("以上是不能处理的语句"))) << memo().toStdString();
}

// The data check before "执 行": a surplus column holding values is named with
// its count in a question of its own; 取消 runs nothing, and going on with
// 全部或全不 runs the script in one transaction, which the refused identity
// Alter rolls back whole.
class DataCheckQuestion : public WindowHandlers {
protected:
    std::string targetWithValues(const std::string& name) {
        click("BtnReadSource");
        const std::string target = freshTarget(name);
        m_target =
            connectSqlServer({s_server->serverName(), target, "sa", "pw"}, defaultOdbcDriver);
        m_target->execute("ALTER TABLE [Emp ] ADD Old varchar(10) NULL");
        m_target->execute("INSERT [Emp ] VALUES (1, 'a', NULL, 'x') INSERT [Emp ] VALUES (2, "
                          "'b', NULL, NULL)");
        setBoxes(s_server->serverName(), target, "sa", "pw");
        click("BtnCompare");
        return target;
    }
    std::vector<std::string> oldValues() {
        return test::rowsOf(*m_target, "SELECT COUNT(*) FROM syscolumns WHERE name = 'Old'");
    }
    std::unique_ptr<Connection> m_target;
};

TEST_F(DataCheckQuestion, CancelRunsNothing) {
    targetWithValues("w_check_cancel");
    const QStringList list = statements();
    test::ModalBoxWatcher boxes(
        QStringList{QStringLiteral("执行比对语句"), QStringLiteral("取消")});
    click("SpeedButton1");
    ASSERT_EQ(boxes.texts().size(), 2) << boxes.texts().join(QStringLiteral(" / ")).toStdString();
    const QString question = boxes.texts().back();
    // Emp is rebuilt (its identity column), the column's drop with it.
    EXPECT_TRUE(
        question.contains(QStringLiteral("删除列，其中的非空值将丢失：1 行\n    INSERT INTO "
                                         "Tmp_Emp (")))
        << question.toStdString();
    EXPECT_EQ(boxes.icon(), QMessageBox::Warning);
    EXPECT_EQ(oldValues(), std::vector<std::string>{"1"});
    click("BtnCompare");
    EXPECT_EQ(statements(), list);
}

TEST_F(DataCheckQuestion, GoingOnAllOrNothingRollsBackAtTheRefusal) {
    targetWithValues("w_check_all");
    test::ModalBoxWatcher boxes(
        QStringList{QStringLiteral("执行比对语句"), QStringLiteral("继续执行")});
    boxes.tick({QStringLiteral("全部或全不")});
    click("SpeedButton1");
    ASSERT_EQ(boxes.texts().size(), 3) << boxes.texts().join(QStringLiteral(" / ")).toStdString();
    EXPECT_TRUE(memo().contains(QStringLiteral("全部语句已回滚，数据库没有任何改变。")))
        << memo().toStdString();
    EXPECT_TRUE(boxes.text().startsWith(QStringLiteral("全部或全不：")))
        << boxes.text().toStdString();
    EXPECT_EQ(oldValues(), std::vector<std::string>{"1"});
}

// 删除多余对象 in the question before "执 行": ticked, the window compares
// again with the drops of the target's surplus objects, shows that script and
// asks again; the surplus table's rows are named by the data check, and only
// the script shown runs.
class DropExtraChoice : public DataCheckQuestion {
protected:
    std::string targetWithSurplusTable(const std::string& name) {
        click("BtnReadSource");
        const std::string target = freshTarget(name);
        m_target =
            connectSqlServer({s_server->serverName(), target, "sa", "pw"}, defaultOdbcDriver);
        m_target->execute("CREATE TABLE Surplus (Id int NOT NULL, Note varchar(10) NULL)");
        m_target->execute("INSERT Surplus VALUES (1, 'a') INSERT Surplus VALUES (2, NULL)");
        setBoxes(s_server->serverName(), target, "sa", "pw");
        click("BtnCompare");
        return target;
    }
    std::vector<std::string> surplusRows() {
        return test::rowsOf(*m_target, "SELECT COUNT(*) FROM sysobjects WHERE name = 'Surplus'");
    }
};

TEST_F(DropExtraChoice, TickedComparesAgainShowsTheDropsAndCancelRunsNothing) {
    targetWithSurplusTable("w_extra_cancel");
    ASSERT_TRUE(statements().filter(QStringLiteral("DROP TABLE Surplus")).isEmpty());
    const qsizetype before = statements().size();
    test::ModalBoxWatcher boxes(
        QStringList{QStringLiteral("执行比对语句"), QStringLiteral("取消")});
    boxes.tick({QStringLiteral("删除多余对象")});
    click("SpeedButton1");
    // Asked, compared again and asked again, then the data check.
    ASSERT_EQ(boxes.texts().size(), 3) << boxes.texts().join(QStringLiteral(" / ")).toStdString();
    EXPECT_FALSE(boxes.texts()[0].contains(QStringLiteral("删除多余对象的语句")));
    EXPECT_TRUE(
        boxes.texts()[1].contains(QStringLiteral("执行上次比对产生的 %1 条语句").arg(before + 1)))
        << boxes.texts()[1].toStdString();
    EXPECT_TRUE(boxes.texts()[1].contains(QStringLiteral("脚本包含删除多余对象的语句")));
    EXPECT_TRUE(boxes.texts()[2].contains(
        QStringLiteral("删除多余的表，其中的行将丢失：2 行\n    DROP TABLE Surplus")))
        << boxes.texts()[2].toStdString();
    // The script the window shows is the one with the drop; nothing ran.
    EXPECT_EQ(statements().filter(QStringLiteral("DROP TABLE Surplus")).size(), 1);
    EXPECT_TRUE(memo().contains(QStringLiteral("DROP TABLE Surplus")));
    EXPECT_EQ(m_window->scriptState(), TbtnExec::ScriptState::Ready);
    EXPECT_EQ(surplusRows(), std::vector<std::string>{"1"});
    EXPECT_EQ(test::rowsOf(*m_target, "SELECT COUNT(*) FROM Surplus"),
              std::vector<std::string>{"2"});
}

TEST_F(DropExtraChoice, GoingOnDropsTheSurplusTableAndCancelAtFirstComparesNothing) {
    targetWithSurplusTable("w_extra_run");
    const QStringList compared = statements();
    {
        // Ticked, then cancelled at once: no compare, no change.
        test::ModalBoxWatcher boxes(QStringLiteral("取消"));
        boxes.tick({QStringLiteral("删除多余对象")});
        click("SpeedButton1");
        EXPECT_EQ(boxes.texts().size(), 1);
        EXPECT_EQ(statements(), compared);
    }
    test::ModalBoxWatcher boxes(
        QStringList{QStringLiteral("执行比对语句"), QStringLiteral("继续执行")});
    boxes.tick({QStringLiteral("删除多余对象")});
    click("SpeedButton1");
    ASSERT_EQ(boxes.texts().size(), 4) << boxes.texts().join(QStringLiteral(" / ")).toStdString();
    EXPECT_TRUE(boxes.text().startsWith(QStringLiteral("执行完毕"))) << boxes.text().toStdString();
    EXPECT_EQ(surplusRows(), std::vector<std::string>{"0"});
    EXPECT_EQ(m_window->scriptState(), TbtnExec::ScriptState::Executed);
}

} // namespace
} // namespace dbc
