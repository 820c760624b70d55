// The four working buttons driven as a user drives them, against the
// project's test server: capture, compare, execute and execute one.
#include "modal_box_watcher.h"
#include "qstring_printer.h"
#include "tbtn_exec.h"
#include "test_server_process.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace dbc {
namespace {

namespace fs = std::filesystem;

fs::path sourceDir() {
    return fs::path(DBCOMPARE_SOURCE_DIR);
}

class WindowHandlers : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = new test::TempDir;
        test::loadCatalog(s_dir->path() / "data", "src",
                          sourceDir() / "tests/capture/capture_source.sql");
        s_server = new test::TestServerProcess(s_dir->path() / "data",
                                               {"--user", "sa", "--password", "pw"});
    }
    static void TearDownTestSuite() {
        delete s_server;
        delete s_dir;
    }

    void SetUp() override {
        m_window = std::make_unique<TbtnExec>(m_dir.path() / "Source.mdb");
        m_window->show();
        setBoxes(s_server->serverName(), "src", "sa", "pw");
    }

    template <typename T> T* child(const char* name) {
        auto* widget = m_window->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    void setBoxes(const std::string& server, const std::string& database, const std::string& user,
                  const std::string& password) {
        child<QLineEdit>("EdtDataSource")->setText(QString::fromStdString(server));
        child<QLineEdit>("EdtDataBase")->setText(QString::fromStdString(database));
        child<QLineEdit>("EdtUserNo")->setText(QString::fromStdString(user));
        child<QLineEdit>("EdtPassword")->setText(QString::fromStdString(password));
    }
    void click(const char* button) { child<QPushButton>(button)->click(); }
    QString memo() { return child<QPlainTextEdit>("Memo1")->toPlainText(); }
    QStringList statements() {
        QStringList items;
        auto* list = child<QListWidget>("ListView1");
        for (int i = 0; i < list->count(); ++i)
            items << list->item(i)->text();
        return items;
    }
    int gridRows() { return child<QTableView>("dxDBGrid1")->model()->rowCount(); }
    QString countLabel() { return child<QLabel>("LblSDbMsg")->text(); }

    // A copy of the older database that a test may change.
    std::string freshTarget(const std::string& name) {
        test::loadCatalog(s_dir->path() / "data", name, sourceDir() / "tests/cli/cli_target.sql");
        return name;
    }

    static test::TempDir* s_dir;
    static test::TestServerProcess* s_server;
    test::TempDir m_dir;
    std::unique_ptr<TbtnExec> m_window;
};

test::TempDir* WindowHandlers::s_dir = nullptr;
test::TestServerProcess* WindowHandlers::s_server = nullptr;

TEST_F(WindowHandlers, CaptureFillsTheGridAndHidesTheBar) {
    test::ModalBoxWatcher boxes;
    click("BtnReadSource");
    EXPECT_FALSE(boxes.seen()) << boxes.text().toStdString();
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
    EXPECT_FALSE(boxes.seen()) << boxes.text().toStdString();
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
    setBoxes(s_server->serverName(), "src", "sa", "wrong");
    test::ModalBoxWatcher boxes;
    click("BtnReadSource");
    EXPECT_TRUE(boxes.seen());
    EXPECT_EQ(boxes.icon(), QMessageBox::Critical);
    EXPECT_TRUE(boxes.text().contains(QStringLiteral("Login failed")))
        << boxes.text().toStdString();
    EXPECT_EQ(gridRows(), 7);
    EXPECT_EQ(countLabel(), QStringLiteral("共有字段:7"));
}

TEST_F(WindowHandlers, CompareFillsBothFacesAndExecuteRunsTheList) {
    click("BtnReadSource");
    std::string target = freshTarget("w_exec");
    setBoxes(s_server->serverName(), target, "sa", "pw");
    test::ModalBoxWatcher boxes;
    click("BtnCompare");
    EXPECT_FALSE(boxes.seen()) << boxes.text().toStdString();
    QStringList list = statements();
    ASSERT_FALSE(list.isEmpty());
    EXPECT_EQ(list.front(), QStringLiteral("use w_exec"));
    EXPECT_TRUE(memo().startsWith(QStringLiteral("use w_exec\n"))) << memo().toStdString();
    EXPECT_TRUE(list.contains(
        QStringLiteral("Create INDEX IX_Emp_Dept On [Emp ] ([DeptNo],[Name]) ON [PRIMARY]")))
        << list.join(QStringLiteral("\n")).toStdString();

    // What the user types into the text box never reaches "执 行".
    child<QPlainTextEdit>("Memo1")->setPlainText(QStringLiteral("DROP TABLE [Emp ]"));
    click("SpeedButton1");
    EXPECT_EQ(boxes.text(), QStringLiteral("执行完毕!"));
    EXPECT_EQ(statements(), list) << "the list stays for another run";
    // The identity column's Alter is refused; the report says so.
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
    child<QPlainTextEdit>("Memo1")->setPlainText(QStringLiteral("CREATE TABLE Added (x int NULL)"));
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

TEST_F(WindowHandlers, CompareWithAnEmptySnapshotLeavesTheTextAlone) {
    QString help = memo();
    test::ModalBoxWatcher boxes;
    click("BtnCompare");
    EXPECT_FALSE(boxes.seen()) << boxes.text().toStdString();
    EXPECT_EQ(memo(), help);
    EXPECT_TRUE(statements().isEmpty());
    click("SpeedButton1");
    EXPECT_EQ(boxes.text(), QStringLiteral("执行完毕!"));
    EXPECT_EQ(memo(), QString());
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
    EXPECT_TRUE(statements().isEmpty());
    EXPECT_EQ(memo(), script);
}

} // namespace
} // namespace dbc
