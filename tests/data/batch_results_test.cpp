// Several statements in one request against the test server through FreeTDS:
// every result set and every statement's error comes back in order, and the
// batched per-object look-ups answer exactly as one request per statement.

#include "data/batched_replies.h"
#include "data/database_error.h"
#include "data/sql_server_connection.h"
#include "data/sql_text.h"
#include "tests/data/environment_guard.h"
#include "tests/support/one_request_each.h"
#include "tests/support/test_server_process.h"

#include <gtest/gtest.h>

namespace dbc {
namespace {

// A reply as one comparable text: the columns and rows of a result, or the
// error's native number and message.
std::string describe(const ResultOrError& reply) {
    if (const auto* error = std::get_if<DatabaseError>(&reply))
        return "error " + std::to_string(error->nativeError()) + ": " + error->what();
    const auto& result = std::get<Result>(reply);
    std::string text = "columns";
    for (const auto& column : result.columns())
        text += " " + column;
    for (const auto& row : result.rows()) {
        text += "\nrow";
        for (const auto& value : row)
            text += " [" + value + "]";
    }
    return text;
}

std::vector<std::string> allReplies(Connection& connection,
                                    const std::vector<std::string>& statements,
                                    std::optional<std::size_t> batchLimit = std::nullopt) {
    std::vector<std::string> replies;
    ReplyHandler collect = [&](std::size_t index, ResultOrError reply) {
        EXPECT_EQ(index, replies.size());
        replies.push_back(describe(reply));
    };
    if (batchLimit)
        openBatched(connection, statements, collect, *batchLimit);
    else
        connection.openEach(statements, collect);
    return replies;
}

class BatchResults : public testing::Test {
protected:
    void SetUp() override {
        test::loadCatalog(m_dir.path(), "hrms", test::fixturesDir() / "hrms_old.sql");
        m_server = std::make_unique<test::TestServerProcess>(m_dir.path());
        m_connection =
            connectSqlServer({m_server->serverName(), "hrms", "sa", ""}, defaultOdbcDriver);
    }

    // The procedure, view and trigger names of the catalog, and two more:
    // one that does not exist and one that needs its apostrophe doubled.
    std::vector<std::string> objectNames() {
        Result names =
            m_connection->open("Select Name From SysObjects where xtype in ('P','V','TR') "
                               "order by name");
        std::vector<std::string> out;
        for (const auto& row : names.rows())
            out.push_back(row[0]);
        out.push_back("no_such_object");
        out.push_back("it's gone");
        return out;
    }

    test::EnvironmentGuard m_driver{"DBCOMPARE_ODBC_DRIVER", std::nullopt};
    test::TempDir m_dir;
    std::unique_ptr<test::TestServerProcess> m_server;
    std::unique_ptr<Connection> m_connection;
};

TEST_F(BatchResults, AFailedStatementDoesNotEndTheBatch) {
    auto items = m_connection->openAll("Select 1 As a\n"
                                       "Exec sp_helpText N'p_SalaryCalc_Old'\n"
                                       "Select 2 As b\n"
                                       "Exec sp_helpText N'no_such_object'\n"
                                       "Select 3 As c\n");
    std::vector<std::string> described;
    for (const auto& item : items)
        described.push_back(describe(item));
    EXPECT_EQ(described,
              (std::vector<std::string>{
                  "columns a\nrow [1]", "error 15471: The object comments have been encrypted.",
                  "columns b\nrow [2]",
                  "error 15009: The object 'no_such_object' does not exist in database 'hrms'.",
                  "columns c\nrow [3]"}));
}

TEST_F(BatchResults, BatchedLookUpsAnswerAsOneRequestEach) {
    std::vector<std::string> statements;
    for (const auto& name : objectNames()) {
        statements.push_back("sp_helpText " + nStringLiteral(name));
        statements.push_back("Select * From sysObjects where type='P' and Status>=0 and name=" +
                             nStringLiteral(name));
    }
    const auto oneEach = allReplies(*m_connection, statements, 0);
    ASSERT_GT(oneEach.size(), 10u);
    EXPECT_EQ(allReplies(*m_connection, statements), oneEach);
    EXPECT_EQ(allReplies(*m_connection, statements, 300), oneEach);
    // The default of a connection: one request per statement.
    test::OneRequestEach oneByOne(*m_connection);
    EXPECT_EQ(allReplies(oneByOne, statements), oneEach);
}

// The first request after the server went reaches the driver as a general
// error (HY000); it must be known as a lost connection all the same, by every
// way of asking.
TEST_F(BatchResults, ALostConnectionIsThrownNotAnswered) {
    auto ask = [](Connection& connection) {
        connection.openEach({"sp_helpText N'v_EmployeeDept'"},
                            [](std::size_t, ResultOrError) { ADD_FAILURE() << "answered"; });
    };
    const std::vector<std::pair<std::string, std::function<void(Connection&)>>> ways = {
        {"one request each",
         [&](Connection& c) {
             test::OneRequestEach oneByOne(c);
             ask(oneByOne);
         }},
        {"batched", ask},
        {"all results", [](Connection& c) { c.openAll("Select 1 As a"); }},
        {"open", [](Connection& c) { c.open("Select 1 As a"); }},
    };
    for (const auto& [way, run] : ways) {
        m_server = std::make_unique<test::TestServerProcess>(m_dir.path());
        m_connection =
            connectSqlServer({m_server->serverName(), "hrms", "sa", ""}, defaultOdbcDriver);
        m_server->kill();
        try {
            run(*m_connection);
            ADD_FAILURE() << way << ": no error";
        } catch (const DatabaseError& error) {
            EXPECT_TRUE(connectionLost(error))
                << way << ": " << error.sqlState() << " " << error.what();
        }
    }
}

} // namespace
} // namespace dbc
