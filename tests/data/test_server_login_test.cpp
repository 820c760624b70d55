// The SQL Server connection against the project's test server run as its own
// process (dbcompare-testserver) with one login whose password holds the
// characters a connection string is made of.

#include "data/database_error.h"
#include "data/sql_server_connection.h"
#include "tests/data/environment_guard.h"
#include "tests/support/test_server_process.h"

#include <fstream>
#include <gtest/gtest.h>

namespace dbc {
namespace {

const std::string kPassword = "p;}=q{ 密码";

class TestServerLogin : public testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = std::make_unique<test::TempDir>();
        const auto script = s_dir->path() / "hrms.sql";
        std::ofstream(script) << "CREATE TABLE [dbo].[员工] (\n"
                                 "\t[EmpNo] [int] NOT NULL ,\n"
                                 "\t[EmpName] [nvarchar] (30) NULL\n"
                                 ") ON [PRIMARY]\nGO\n"
                                 "CREATE PROCEDURE p_hello AS\nSELECT 'hello'\nGO\n";
        test::loadCatalog(s_dir->path(), "hrms", script);
        s_server = std::make_unique<test::TestServerProcess>(
            s_dir->path(), std::vector<std::string>{"--user", "sa", "--password", kPassword});
    }
    static void TearDownTestSuite() {
        s_server.reset();
        s_dir.reset();
    }

    std::unique_ptr<Connection> connect(const std::string& server,
                                        const std::string& password = kPassword) {
        return connectSqlServer({server, "hrms", "sa", password}, defaultOdbcDriver);
    }
    std::string dotServer() const { return ".," + std::to_string(s_server->port()); }

    test::EnvironmentGuard m_driver{"DBCOMPARE_ODBC_DRIVER", std::nullopt};
    static std::unique_ptr<test::TempDir> s_dir;
    static std::unique_ptr<test::TestServerProcess> s_server;
};

std::unique_ptr<test::TempDir> TestServerLogin::s_dir;
std::unique_ptr<test::TestServerProcess> TestServerLogin::s_server;

TEST_F(TestServerLogin, ThePasswordReachesTheServerAsTyped) {
    for (const std::string& server :
         {s_server->serverName(), dotServer(), "(local)," + std::to_string(s_server->port())}) {
        auto connection = connect(server);
        Result text = connection->open("sp_helptext 'p_hello'");
        ASSERT_FALSE(text.empty()) << server;
        std::string joined;
        for (const auto& row : text.rows())
            joined += row[0];
        EXPECT_EQ(joined, "CREATE PROCEDURE p_hello AS\nSELECT 'hello'\n") << server;
    }
}

TEST_F(TestServerLogin, AWrongPasswordIsRefusedWithTheServersMessage) {
    try {
        connect(dotServer(), "p;}=q{");
        FAIL() << "logged in with a wrong password";
    } catch (const DatabaseError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Login failed for user 'sa'.", 0), 0u) << e.what();
        EXPECT_EQ(e.nativeError(), 18456);
    }
}

TEST_F(TestServerLogin, ChineseNamesComeBackFromTheCatalog) {
    auto connection = connect(dotServer());
    Result result = connection->open("select name from sysobjects where xtype = 'U'");
    ASSERT_EQ(result.size(), 1u);
    EXPECT_EQ(result.rows()[0][0], "员工");
}

TEST_F(TestServerLogin, ChineseInTheStatementFindsTheChineseName) {
    auto connection = connect(dotServer());
    Result result = connection->open("select name from sysobjects where name = '员工'");
    EXPECT_EQ(result.rows(), (std::vector<Result::Row>{{"员工"}}));
}

// Chinese in a statement, an alias and a value, both ways through the wide
// ODBC calls. (The SQLite ODBC driver has no wide entry points, so unixODBC
// narrows its text to 8 bits: Chinese is tested here, on the SQL Server path.)
TEST_F(TestServerLogin, ChineseTextRoundTrips) {
    auto connection = connect(dotServer());
    const std::string text = "数据库比对工具：共有字段";
    Result result = connection->open("SELECT N'" + text + "' AS 名称, name FROM sysobjects " +
                                     "WHERE name = N'员工'");
    ASSERT_EQ(result.size(), 1u);
    EXPECT_EQ(result.columns()[0], "名称");
    EXPECT_EQ(result.field(0, "名称"), text);
    EXPECT_EQ(result.field(0, "name"), "员工");
}

TEST_F(TestServerLogin, AnUnknownObjectGivesTheServersError) {
    auto connection = connect(dotServer());
    try {
        connection->open("select * from nosuch");
        FAIL() << "no error";
    } catch (const DatabaseError& e) {
        EXPECT_STREQ(e.what(), "Invalid object name 'nosuch'.");
        EXPECT_EQ(e.nativeError(), 208);
    }
}

} // namespace
} // namespace dbc
