// dbcompare-testserver end to end: catalogs built from the hrms fixtures with
// --load, served to the FreeTDS ODBC driver and tsql, stopped by signal.

#include "tests/support/test_server_process.h"
#include "tests/testserver/odbc_client.h"
#include "tests/testserver/tds_versions.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace testserver::test {
namespace {

namespace fs = std::filesystem;

const std::string kColumnQuery =
    "SELECT a.name, a.id, a.prec as length, a.xtype,a.IsNullable,a.TypeStat,a.Collation,"
    "a.colstat as colstat, b.name AS TypeName, c.name AS tablename  FROM syscolumns a INNER "
    "JOIN systypes b ON a.xtype = b.xtype AND a.id>1000 And  b.name <> 'sysname' INNER JOIN  "
    "sysobjects c ON c.id = a.id AND c.xtype = 'u'   ORDER BY TableName,a.name ";

class SmokeTest : public ::testing::TestWithParam<std::string> {
protected:
    static void SetUpTestSuite() {
        s_dataDir = std::make_unique<dbc::test::TempDir>();
        dbc::test::loadCatalog(s_dataDir->path(), "hrms",
                               dbc::test::fixturesDir() / "hrms_new.sql");
        dbc::test::loadCatalog(s_dataDir->path(), "hrms_old",
                               dbc::test::fixturesDir() / "hrms_old.sql");
        s_server = std::make_unique<dbc::test::TestServerProcess>(
            s_dataDir->path(), std::vector<std::string>{"--user", "sa", "--password", "pw"});
    }
    static void TearDownTestSuite() {
        s_server.reset();
        s_dataDir.reset();
    }

    std::string connectionString(const std::string& password = "pw",
                                 const std::string& database = "hrms") const {
        return freeTdsConnectionString(s_server->port(), "sa", password, database, GetParam());
    }

    static std::unique_ptr<dbc::test::TempDir> s_dataDir;
    static std::unique_ptr<dbc::test::TestServerProcess> s_server;
};

std::unique_ptr<dbc::test::TempDir> SmokeTest::s_dataDir;
std::unique_ptr<dbc::test::TestServerProcess> SmokeTest::s_server;

TEST_P(SmokeTest, ColumnCatalogQueryAnswersWithItsAliases) {
    OdbcConnection connection(connectionString());
    auto results = connection.execute(kColumnQuery);
    ASSERT_EQ(results.size(), 1u);
    std::vector<std::string> names;
    for (const auto& c : results[0].columns)
        names.push_back(c.name);
    // Unaliased columns carry syscolumns' own (lower-case) names, as in SQL
    // Server.
    EXPECT_EQ(names,
              (std::vector<std::string>{"name", "id", "length", "xtype", "isnullable", "typestat",
                                        "collation", "colstat", "TypeName", "tablename"}));
    bool chineseTable = false;
    bool trailingBlank = false;
    for (const auto& row : results[0].rows) {
        chineseTable |= row.at(9) == "员工档案";
        trailingBlank |= row.at(9) == "Contract ";
    }
    EXPECT_TRUE(chineseTable);
    EXPECT_TRUE(trailingBlank);
}

TEST_P(SmokeTest, ProcedureTextComesBackThroughSpHelpText) {
    OdbcConnection connection(connectionString());
    auto names = connection.execute("Select Name From SysObjects where xtype='P' and Status>=0");
    ASSERT_EQ(names.size(), 1u);
    ASSERT_FALSE(names[0].rows.empty());
    auto text = connection.execute("sp_helpText p_EmployeeList");
    ASSERT_EQ(text.size(), 1u);
    ASSERT_EQ(text[0].columns.at(0).name, "Text");
    std::string joined;
    for (const auto& row : text[0].rows)
        joined += row.at(0).value_or("");
    EXPECT_NE(joined.find("CREATE PROCEDURE p_EmployeeList"), std::string::npos) << joined;
    EXPECT_NE(joined.find("ORDER BY e.EmpCode"), std::string::npos) << joined;
}

TEST_P(SmokeTest, WrongPasswordIsRefusedWith18456) {
    try {
        OdbcConnection connection(connectionString("nope"));
        FAIL() << "a wrong password was accepted";
    } catch (const OdbcError& e) {
        EXPECT_EQ(e.nativeError(), 18456);
    }
}

TEST_P(SmokeTest, UseSwitchesToTheOlderRelease) {
    OdbcConnection connection(connectionString());
    connection.execute("use hrms_old");
    EXPECT_EQ(connection.currentCatalog(), "hrms_old");
    EXPECT_FALSE(connection.execute(kColumnQuery).at(0).rows.empty());
}

TEST_P(SmokeTest, ManualCommitSessionWorks) {
    OdbcConnection connection(connectionString());
    SQLHDBC dbc = connection.handle();
    ASSERT_TRUE(SQL_SUCCEEDED(SQLSetConnectAttr(
        dbc, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0)));
    EXPECT_FALSE(connection.execute(kColumnQuery).at(0).rows.empty());
    EXPECT_TRUE(SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, dbc, SQL_COMMIT)));
    EXPECT_TRUE(SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, dbc, SQL_ROLLBACK)));
    EXPECT_TRUE(SQL_SUCCEEDED(SQLSetConnectAttr(
        dbc, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON), 0)));
    EXPECT_FALSE(connection.execute(kColumnQuery).at(0).rows.empty());
}

TEST_P(SmokeTest, TsqlRunsTheCatalogQuery) {
    dbc::test::ChildProcess tsql(
        {"tsql", "-H", "127.0.0.1", "-p", std::to_string(s_server->port()), "-U", "sa", "-P", "pw",
         "-D", "hrms"},
        dbc::test::ChildOptions::interleaved(
            {"TDSVER=" + GetParam(), "LANG=C.UTF-8", "FREETDSCONF=/dev/null"}));
    const auto result =
        tsql.finish("Select Name From SysObjects where xtype='V' and Status>=0\ngo\nexit\n");
    EXPECT_EQ(result.exitCode, 0) << result.out;
    EXPECT_NE(result.out.find("v_EmployeeDept"), std::string::npos) << result.out;
}

INSTANTIATE_TEST_SUITE_P(TdsVersions, SmokeTest, tdsVersions(), TdsVersionName());

TEST(Loader, NeverOverwritesAnExistingCatalog) {
    dbc::test::TempDir dir;
    dbc::test::loadCatalog(dir.path(), "hrms", dbc::test::fixturesDir() / "hrms_old.sql");
    fs::path catalog = dir.path() / "hrms.sqlite";
    auto size = fs::file_size(catalog);
    auto written = fs::last_write_time(catalog);
    for (const std::string name : {"hrms", "HRMS"}) {
        auto result = dbc::test::runCommand(
            {DBCOMPARE_TESTSERVER_PATH, "--data", dir.path().string(), "--load",
             name + "=" + (dbc::test::fixturesDir() / "hrms_new.sql").string()});
        EXPECT_EQ(result.exitCode, 1) << name;
        EXPECT_NE(result.err.find("already exists"), std::string::npos) << result.err;
    }
    EXPECT_EQ(fs::file_size(catalog), size);
    EXPECT_EQ(fs::last_write_time(catalog), written);
}

TEST(Loader, FailingScriptExitsOneAndLeavesNoHalfBuiltCatalog) {
    dbc::test::TempDir dir;
    fs::path script = dir.path() / "bad.sql";
    std::ofstream(script) << "CREATE TABLE t (a int)\nGO\nthis is not sql\nGO\n";
    auto result = dbc::test::runCommand({DBCOMPARE_TESTSERVER_PATH, "--data", dir.path().string(),
                                         "--load", "broken=" + script.string()});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_FALSE(result.err.empty());
    EXPECT_FALSE(fs::exists(dir.path() / "broken.sqlite"));
}

// An install script that drops and recreates its own database: the
// database it made is the one loaded.
TEST(Loader, ScriptThatRecreatesItsDatabaseLeavesTheNewOne) {
    dbc::test::TempDir dir;
    fs::path script = dir.path() / "shop.sql";
    std::ofstream(script) << "USE master\nGO\nif exists (select * from master..sysdatabases where "
                             "name = 'shop') DROP DATABASE shop\nGO\nCREATE DATABASE shop\nGO\n"
                             "USE shop\nGO\nCREATE TABLE made_by_script (a int)\nGO\n";
    auto result = dbc::test::runCommand({DBCOMPARE_TESTSERVER_PATH, "--data", dir.path().string(),
                                         "--load", "shop=" + script.string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    dbc::test::TestServerProcess server(dir.path());
    OdbcConnection connection(freeTdsConnectionString(server.port(), "sa", "", "shop"));
    auto rows = connection.execute("select count(*) from sysobjects where name = 'made_by_script'")
                    .back()
                    .rows;
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], std::optional<std::string>("1"));
}

TEST(Loader, FailingScriptLeavesNoDatabaseItCreated) {
    dbc::test::TempDir dir;
    fs::path script = dir.path() / "bad.sql";
    std::ofstream(script) << "CREATE DATABASE made\nGO\nUSE made\nGO\nthis is not sql\nGO\n";
    auto result = dbc::test::runCommand({DBCOMPARE_TESTSERVER_PATH, "--data", dir.path().string(),
                                         "--load", "broken=" + script.string()});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_FALSE(fs::exists(dir.path() / "broken.sqlite"));
    EXPECT_FALSE(fs::exists(dir.path() / "made.sqlite"));
}

TEST(Loader, MissingScriptOrBadArgumentExitsOne) {
    dbc::test::TempDir dir;
    for (const std::string assignment :
         {"x=/nonexistent/script.sql", "noequals", "=file", "a/b=f"}) {
        auto result = dbc::test::runCommand(
            {DBCOMPARE_TESTSERVER_PATH, "--data", dir.path().string(), "--load", assignment});
        EXPECT_EQ(result.exitCode, 1) << assignment;
    }
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

// --latency-ms holds every response, the login's included, so each round
// trip costs at least that long; a slow link's cost shows without one.
TEST(Latency, EveryResponseIsHeldTheGivenTime) {
    dbc::test::TempDir dir;
    dbc::test::loadCatalog(dir.path(), "hrms", dbc::test::fixturesDir() / "hrms_old.sql");
    constexpr int kLatencyMs = 150;
    dbc::test::TestServerProcess server(dir.path(), {"--latency-ms", std::to_string(kLatencyMs)});
    using Clock = std::chrono::steady_clock;
    auto since = [](Clock::time_point start) {
        return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    };
    auto start = Clock::now();
    OdbcConnection connection(freeTdsConnectionString(server.port(), "sa", "", "hrms"));
    // PRELOGIN and LOGIN7 are two round trips.
    EXPECT_GE(since(start), 2 * kLatencyMs);
    for (const std::string sql :
         {"SELECT 1", "exec sp_helptext N'v_EmployeeDept'", "SELECT 1; SELECT 2"}) {
        start = Clock::now();
        auto results = connection.execute(sql);
        EXPECT_GE(since(start), kLatencyMs) << sql;
        EXPECT_FALSE(results.empty()) << sql;
    }
}

TEST(Latency, NegativeOrNonNumericValueIsRefused) {
    dbc::test::TempDir dir;
    for (const std::string value : {"-1", "ten", "60001"}) {
        auto result = dbc::test::runCommand(
            {DBCOMPARE_TESTSERVER_PATH, "--data", dir.path().string(), "--latency-ms", value});
        EXPECT_NE(result.exitCode, 0) << value;
        EXPECT_NE(result.err.find("latency-ms"), std::string::npos) << result.err;
    }
}

class SignalStop : public ::testing::TestWithParam<int> {};

// The server ends with exit status 0 on SIGTERM and SIGINT, also while a
// client is still connected.
TEST_P(SignalStop, StopsCleanlyWithAClientConnected) {
    dbc::test::TempDir dir;
    dbc::test::loadCatalog(dir.path(), "hrms", dbc::test::fixturesDir() / "hrms_old.sql");
    dbc::test::TestServerProcess server(dir.path());
    {
        OdbcConnection idle(freeTdsConnectionString(server.port(), "sa", "", "hrms"));
        const std::optional<int> status = server.stop(GetParam(), std::chrono::seconds(5));
        EXPECT_TRUE(status.has_value()) << "the server did not stop within 5 s";
        EXPECT_EQ(status.value_or(-1), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Signals, SignalStop, ::testing::Values(SIGTERM, SIGINT),
                         [](const auto& paramInfo) {
                             return paramInfo.param == SIGTERM ? std::string("Term")
                                                               : std::string("Int");
                         });

} // namespace
} // namespace testserver::test
