// The command line run as a user runs it: a child process without a display,
// against the project's test server.

#include "compare/compare_run.h"
#include "data/sql_server_connection.h"
#include "script/executor.h"
#include "script/script_file.h"
#include "snapshot/snapshot_store.h"
#include "tests/support/result_lines.h"
#include "tests/support/test_server_process.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace dbc {
namespace {

namespace fs = std::filesystem;
using test::CommandResult;
using test::readFile;
using test::TempDir;
using test::TestServerProcess;

const std::string password = "s3cr;et=pw";

fs::path sourceDir() {
    return fs::path(DBCOMPARE_SOURCE_DIR);
}

class CommandLineTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = new TempDir;
        test::loadCatalog(s_dir->path() / "data", "src",
                          sourceDir() / "tests/capture/capture_source.sql");
        test::loadCatalog(s_dir->path() / "data", "old", sourceDir() / "tests/cli/cli_target.sql");
        s_server =
            new TestServerProcess(s_dir->path() / "data", {"--user", "sa", "--password", password});
    }
    static void TearDownTestSuite() {
        delete s_server;
        delete s_dir;
    }

    // Runs dbcompare with no display and no password in the environment
    // unless given; every output is checked for the password.
    CommandResult run(std::vector<std::string> args, std::vector<std::string> env = {}) {
        std::vector<std::string> argv{DBCOMPARE_PROGRAM_PATH};
        argv.insert(argv.end(), args.begin(), args.end());
        std::vector<std::string> environment{"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM",
                                             "DBCOMPARE_PASSWORD"};
        environment.insert(environment.end(), env.begin(), env.end());
        CommandResult result = test::runCommand(argv, environment);
        EXPECT_EQ(result.out.find(password), std::string::npos) << result.out;
        EXPECT_EQ(result.err.find(password), std::string::npos) << result.err;
        return result;
    }
    std::vector<std::string> connection(const std::string& database,
                                        const std::string& pw = password) {
        return {"-S", s_server->serverName(), "-d", database, "-U", "sa", "-P", pw};
    }
    std::vector<std::string> with(std::vector<std::string> a, const std::vector<std::string>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    }
    fs::path store() const { return m_dir.path() / "Source.mdb"; }
    void capture() {
        auto result = run(with(with({"capture"}, connection("src")), {"--store", store()}));
        ASSERT_EQ(result.exitCode, 0) << result.err;
    }

    static TempDir* s_dir;
    static TestServerProcess* s_server;
    TempDir m_dir;
};

TempDir* CommandLineTest::s_dir = nullptr;
TestServerProcess* CommandLineTest::s_server = nullptr;

TEST_F(CommandLineTest, CaptureWritesTheSnapshotAndOneSummaryLine) {
    auto result = run(with(with({"capture"}, connection("src")), {"--store", store()}));
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(std::count(result.out.begin(), result.out.end(), '\n'), 1) << result.out;
    EXPECT_NE(result.out.find("SourceTable 7"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("SourceDF 2"), std::string::npos) << result.out;

    auto show = run({"show", "--store", store()});
    ASSERT_EQ(show.exitCode, 0) << show.err;
    EXPECT_NE(show.out.find("SourceTable 7 rows: columns of 2 tables"), std::string::npos)
        << show.out;
    EXPECT_NE(show.out.find("4 procedures"), std::string::npos) << show.out;
    // The release the source answered as (the test server's default, 2000).
    EXPECT_NE(show.out.find(" UTC\nsource server version 8.00.2039\n"), std::string::npos)
        << show.out;
    EXPECT_NE(show.out.find(
                  "SourceFK 0 rows: 0 foreign keys\nSourceCK 0 rows: 0 CHECK "
                  "constraints\nSourceFN 0 rows: 0 functions\nSourceType 0 rows: 0 alias types\n"),
              std::string::npos)
        << show.out;
    EXPECT_NE(show.out.find("columns of 2 tables\n  computed columns: 0\n"), std::string::npos)
        << show.out;
    // The source declares no keys and no unique index.
    EXPECT_NE(show.out.find("index keys of 1 tables\n  keys: 0 primary keys, 0 unique "
                            "constraints, 0 unique indexes\n"),
              std::string::npos)
        << show.out;
}

TEST_F(CommandLineTest, PasswordComesFromTheEnvironment) {
    auto args = with({"capture", "-S", s_server->serverName(), "-d", "src", "-U", "sa"},
                     {"--store", store()});
    auto result = run(args, {"DBCOMPARE_PASSWORD=" + password});
    EXPECT_EQ(result.exitCode, 0) << result.err;
}

TEST_F(CommandLineTest, CompareWritesTheFileFormOfWhatTheWindowRuns) {
    capture();
    auto result = run(with(with({"compare"}, connection("old")), {"--store", store()}));
    ASSERT_EQ(result.exitCode, 0) << result.err;

    // The same run in-process, as the window makes it.
    auto snapshot = SnapshotStore::open(store());
    auto target =
        connectSqlServer({s_server->serverName(), "old", "sa", password}, defaultOdbcDriver);
    ScriptBuffer buffer;
    runCompare(snapshot->connection(), *target, "old", buffer);
    ASSERT_FALSE(buffer.statements().empty());
    // Each statement the window's execute runs, as its own batch.
    EXPECT_EQ(result.out, scriptFileText(buffer.statements()));
    EXPECT_EQ(result.out.rfind("use old\nGo\n", 0), 0u) << result.out;

    auto toFile = run(with(with({"compare"}, connection("old")),
                           {"--store", store(), "-o", m_dir.path() / "s.sql"}));
    ASSERT_EQ(toFile.exitCode, 0) << toFile.err;
    EXPECT_EQ(toFile.out, "");
    EXPECT_EQ(readFile(m_dir.path() / "s.sql"), result.out);
}

TEST_F(CommandLineTest, ExecuteReportsRefusedStatementsWithStatusOne) {
    capture();
    // Work on a copy of the old database so other tests keep theirs.
    test::loadCatalog(s_dir->path() / "data", "exec1", sourceDir() / "tests/cli/cli_target.sql");
    auto dry = run(with(with({"execute", "--dry-run"}, connection("exec1")), {"--store", store()}));
    ASSERT_EQ(dry.exitCode, 0) << dry.err;
    EXPECT_NE(dry.out.find("INSERT INTO Tmp_Emp (DeptNo,EmpNo,Name,Salary) SELECT "
                           "DeptNo,EmpNo,Name,(0) FROM [Emp ]"),
              std::string::npos)
        << dry.out;

    auto result = run(with(with({"execute"}, connection("exec1")), {"--store", store()}));
    // The rebuild that makes the column an identity column is refused by the
    // server (a NULL in it) and rolled back.
    EXPECT_EQ(result.exitCode, 1) << result.out << result.err;
    EXPECT_NE(result.out.find("IDENTITY"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("以上是不能处理的语句"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("执行完毕!\n"), std::string::npos) << result.out;
}

// --transaction: the refused rebuild in the middle rolls back every
// statement before it, so a compare afterwards finds the same differences.
TEST_F(CommandLineTest, ExecuteAsOneTransactionLeavesTheTargetAsItWasAtARefusal) {
    capture();
    test::loadCatalog(s_dir->path() / "data", "exec2", sourceDir() / "tests/cli/cli_target.sql");
    auto before = run(with(with({"compare"}, connection("exec2")), {"--store", store()}));
    ASSERT_EQ(before.exitCode, 0) << before.err;

    auto result =
        run(with(with({"execute", "--transaction"}, connection("exec2")), {"--store", store()}));
    EXPECT_EQ(result.exitCode, 1) << result.out << result.err;
    EXPECT_NE(result.out.find("IDENTITY"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("全部语句已回滚,数据库没有任何改变。"), std::string::npos)
        << result.out;

    auto after = run(with(with({"compare"}, connection("exec2")), {"--store", store()}));
    ASSERT_EQ(after.exitCode, 0) << after.err;
    EXPECT_EQ(after.out, before.out);

    // Changes to the catalog and to rows ahead of the refusal go too.
    auto target =
        connectSqlServer({s_server->serverName(), "exec2", "sa", password}, defaultOdbcDriver);
    target->execute("CREATE TABLE Kept (x int NULL) INSERT Kept VALUES (1)");
    const ExecutionReport report =
        runAllOrNothing(*target, {"CREATE TABLE Added (x int NULL)", "INSERT Kept VALUES (2)",
                                  "DELETE Kept WHERE x = 1", "ALTER TABLE Kept ADD y int NOT NULL",
                                  "CREATE TABLE Never (x int NULL)"});
    EXPECT_TRUE(report.rolledBack);
    ASSERT_EQ(report.failures.size(), 1u);
    EXPECT_EQ(report.failures[0].statement, "ALTER TABLE Kept ADD y int NOT NULL");
    Result state =
        target->open("select (select count(*) from sysobjects where name in ('Added', "
                     "'Never')), (select count(*) from Kept), (select min(x) from Kept)");
    ASSERT_EQ(state.size(), 1u);
    EXPECT_EQ(state.rows()[0], (Result::Row{"0", "1", "1"}));
}

// The data check: a surplus column holding values is named with its count
// before anything runs; execute runs nothing without --allow-data-loss
// (status 6), --dry-run lists it too, and with the option the run goes on.
TEST_F(CommandLineTest, ExecuteRunsNothingThatLosesValuesUnlessAllowed) {
    capture();
    test::loadCatalog(s_dir->path() / "data", "exec3", sourceDir() / "tests/cli/cli_target.sql");
    auto target =
        connectSqlServer({s_server->serverName(), "exec3", "sa", password}, defaultOdbcDriver);
    target->execute("ALTER TABLE [Emp ] ADD [Old]] note] varchar(10) NULL");
    target->execute("INSERT [Emp ] VALUES (1, 'a', NULL, 'x') INSERT [Emp ] VALUES (2, 'b', 10, "
                    "NULL) INSERT [Emp ] VALUES (3, 'c', 10, 'z')");
    // Emp is rebuilt (its identity column), the surplus column's drop with
    // it: the rebuild's copy of the rows is the statement named.
    const std::string named = "dbcompare: data check: 2 rows, values changed or lost: non-NULL "
                              "values dropped: INSERT INTO Tmp_Emp (";
    const auto args = with(connection("exec3"), {"--store", store()});

    auto dry = run(with({"execute", "--dry-run"}, args));
    EXPECT_EQ(dry.exitCode, 0) << dry.err;
    EXPECT_NE(dry.err.find(named), std::string::npos) << dry.err;

    auto refused = run(with({"execute"}, args));
    EXPECT_EQ(refused.exitCode, 6) << refused.out << refused.err;
    EXPECT_NE(refused.err.find(named), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("--allow-data-loss"), std::string::npos) << refused.err;
    EXPECT_EQ(refused.out, "");
    EXPECT_EQ(test::rowsOf(*target, "SELECT COUNT(*) FROM [Emp ] WHERE [Old]] note] IS NOT NULL"),
              std::vector<std::string>{"2"});

    auto allowed = run(with({"execute", "--allow-data-loss"}, args));
    // The rebuild is refused over a value that does not convert and rolled
    // back whole: the surplus column and every row are still there.
    EXPECT_EQ(allowed.exitCode, 1) << allowed.out << allowed.err;
    EXPECT_NE(allowed.err.find(named), std::string::npos) << allowed.err;
    EXPECT_EQ(test::rowsOf(*target, "SELECT COUNT(*) FROM [Emp ] WHERE [Old]] note] IS NOT NULL"),
              std::vector<std::string>{"2"});
    EXPECT_EQ(test::rowsOf(*target, "SELECT COUNT(*) FROM [Emp ]"), std::vector<std::string>{"5"});

    auto help = run({"execute", "--help"});
    EXPECT_NE(help.out.find("--allow-data-loss"), std::string::npos) << help.out;
    EXPECT_NE(help.out.find("  6  "), std::string::npos) << help.out;
}

TEST_F(CommandLineTest, ExecOneRunsOneCommand) {
    test::loadCatalog(s_dir->path() / "data", "one", sourceDir() / "tests/cli/cli_target.sql");
    auto good =
        run(with({"exec-one"}, with(connection("one"), {"CREATE TABLE Added (x int NULL)"})));
    EXPECT_EQ(good.exitCode, 0) << good.err;
    EXPECT_EQ(good.out, "执行完毕！\n");

    auto bad =
        run(with({"exec-one"}, with(connection("one"), {"CREATE TABLE Added (x int NULL)"})));
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_NE(bad.err.find("Added"), std::string::npos) << bad.err; // 2714: already an object
    EXPECT_EQ(bad.out, "");
}

TEST_F(CommandLineTest, FailuresAreOneLineOnStandardErrorWithTheirStatus) {
    capture();
    auto wrongPassword =
        run(with(with({"compare"}, connection("old", "wrong")), {"--store", store()}));
    EXPECT_EQ(wrongPassword.exitCode, 3);
    EXPECT_NE(wrongPassword.err.find("Login failed"), std::string::npos) << wrongPassword.err;
    EXPECT_EQ(std::count(wrongPassword.err.begin(), wrongPassword.err.end(), '\n'), 1);
    EXPECT_EQ(wrongPassword.out, "");

    auto noServer = run({"compare", "-S", "127.0.0.1,1", "-d", "old", "-U", "sa", "-P", password,
                         "--store", store()});
    EXPECT_EQ(noServer.exitCode, 3) << noServer.err;

    auto missingStore =
        run(with(with({"compare"}, connection("old")), {"--store", m_dir.path() / "missing.mdb"}));
    EXPECT_EQ(missingStore.exitCode, 3);
    EXPECT_FALSE(fs::exists(m_dir.path() / "missing.mdb"));

    fs::path foreign = m_dir.path() / "foreign.mdb";
    std::ofstream(foreign) << "not a snapshot";
    auto foreignStore = run({"show", "--store", foreign});
    EXPECT_EQ(foreignStore.exitCode, 3);
    EXPECT_NE(foreignStore.err.find("foreign.mdb"), std::string::npos) << foreignStore.err;
    EXPECT_EQ(readFile(foreign), "not a snapshot");

    auto badOption = run({"compare", "--no-such-option"});
    EXPECT_EQ(badOption.exitCode, 2);
    auto noCommandText = run(with({"exec-one"}, connection("old")));
    EXPECT_EQ(noCommandText.exitCode, 2);
}

// The connection options reach the driver: the test server offers no
// encryption, so "no" logs in and "yes" is a clear refusal; FreeTDS is
// refused strict encryption before anything is sent; -E asks for no
// password and, with no Kerberos ticket, fails saying what was asked;
// --driver names the driver unixODBC loads.
TEST_F(CommandLineTest, ConnectionSecurityOptionsReachTheDriver) {
    auto capture = [&](const std::vector<std::string>& options) {
        return run(with(with({"capture"}, options), {"--store", store()}));
    };
    auto off = capture(with(connection("src"), {"--encrypt", "no", "-C", "--driver", "FreeTDS"}));
    EXPECT_EQ(off.exitCode, 0) << off.err;

    const std::vector<std::pair<std::vector<std::string>, std::string>> refusals{
        {with(connection("src"), {"--encrypt", "yes"}), "(encryption was required"},
        {with(connection("src"), {"--encrypt", "strict"}), "strict encryption (TDS 8.0)"},
        {{"-S", s_server->serverName(), "-d", "src", "-E"}, "(an integrated login was asked"},
        {with(connection("src"), {"--driver", "NoSuchDriverForTests"}), "NoSuchDriverForTests"},
    };
    for (const auto& [options, message] : refusals) {
        auto refused = capture(options);
        EXPECT_EQ(refused.exitCode, 3) << message;
        EXPECT_NE(refused.err.find(message), std::string::npos) << refused.err;
        EXPECT_EQ(std::count(refused.err.begin(), refused.err.end(), '\n'), 1) << refused.err;
        EXPECT_EQ(refused.err.find("Password:"), std::string::npos) << refused.err;
    }
}

TEST_F(CommandLineTest, HelpAndVersion) {
    auto help = run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    for (const char* command : {"capture", "compare", "execute", "exec-one", "show"})
        EXPECT_NE(help.out.find(command), std::string::npos) << command;
    auto subHelp = run({"compare", "--help"});
    EXPECT_EQ(subHelp.exitCode, 0);
    EXPECT_NE(subHelp.out.find("--output"), std::string::npos) << subHelp.out;
    auto version = run({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out.rfind("dbcompare ", 0), 0u) << version.out;
}

} // namespace
} // namespace dbc
