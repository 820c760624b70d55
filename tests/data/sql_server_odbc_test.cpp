// The SQL Server connection end to end: connectSqlServer builds the
// connection string, unixODBC and FreeTDS carry it to a TDS server in this
// process whose answers the test sets.

#include "data/database_error.h"
#include "data/sql_server_connection.h"
#include "tests/data/environment_guard.h"
#include "tests/testserver/fake_session_provider.h"
#include "tests/testserver/in_process_server.h"

#include <gtest/gtest.h>

namespace dbc {
namespace {

using testserver::BatchResult;
using testserver::ColumnType;
using testserver::Credentials;
using testserver::test::countOutcome;
using testserver::test::errorOutcome;
using testserver::test::rowsOutcome;
using Rows = std::vector<Result::Row>;

const std::string kPassword = "p;}=q 密码";

class SqlServerOdbc : public testing::Test {
protected:
    SqlServerOdbc()
        : m_driver("DBCOMPARE_ODBC_DRIVER", std::nullopt),
          m_provider({"hrms", "人事"}, Credentials{"sa", kPassword}), m_server(m_provider) {}

    std::unique_ptr<Connection> connect(const std::string& password = kPassword,
                                        const std::string& database = "hrms",
                                        const ConnectionSecurity& security = {}) {
        return connectSqlServer(
            {".," + std::to_string(m_server.port()), database, "sa", password, security},
            defaultOdbcDriver);
    }

    test::EnvironmentGuard m_driver;
    testserver::test::FakeSessionProvider m_provider;
    testserver::test::InProcessServer m_server;
};

TEST_F(SqlServerOdbc, APasswordWithSemicolonBraceAndEqualsLogsIn) {
    auto connection = connect();
    EXPECT_EQ(m_provider.lastLogin().user, "sa");
    EXPECT_EQ(m_provider.lastLogin().password, kPassword);
    EXPECT_EQ(m_provider.lastLoginDatabase(), "hrms");
}

TEST_F(SqlServerOdbc, AChineseDatabaseNameArrivesAsTyped) {
    auto connection = connect(kPassword, "人事");
    EXPECT_EQ(m_provider.lastLoginDatabase(), "人事");
}

TEST_F(SqlServerOdbc, AWrongPasswordShowsTheServersMessageFirst) {
    try {
        connect("p;}=q");
        FAIL() << "logged in with a wrong password";
    } catch (const DatabaseError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Login failed for user 'sa'.", 0), 0u) << e.what();
        EXPECT_EQ(e.nativeError(), 18456);
    }
}

// The test server answers PRELOGIN with ENCRYPT_NOT_SUP: a connection with
// encryption off logs in, one that requires encryption is refused by the
// driver at once, with a message that says why.
TEST_F(SqlServerOdbc, EncryptionOffLogsInAndRequiredEncryptionIsAClearRefusal) {
    auto connection = connect(kPassword, "hrms", {Encryption::No, false, false});
    EXPECT_EQ(m_provider.lastLogin().password, kPassword);
    try {
        connect(kPassword, "hrms", {Encryption::Yes, true, false});
        FAIL() << "connected without encryption although it was required";
    } catch (const DatabaseError& e) {
        EXPECT_NE(std::string(e.what()).find("encryption was required"), std::string::npos)
            << e.what();
        EXPECT_EQ(std::string(e.what()).find(kPassword), std::string::npos) << e.what();
    }
}

TEST_F(SqlServerOdbc, RowsComeAsTextWithNullsEmptyAndIntegersDecimal) {
    m_provider.answer("select * from t",
                      BatchResult{{rowsOutcome({{"TableName", ColumnType::NVarChar, 128, false},
                                                {"Length", ColumnType::SmallInt, 0, true},
                                                {"big", ColumnType::BigInt, 0, true},
                                                {"Collation", ColumnType::NVarChar, 128, true}},
                                               {{"员工表", "8000", "-9223372036854775808", "x"},
                                                {"t", std::nullopt, "0", std::nullopt}})}});
    Result result = connect()->open("select * from t");
    EXPECT_EQ(result.columns(),
              (std::vector<std::string>{"TableName", "Length", "big", "Collation"}));
    EXPECT_EQ(result.rows(),
              (Rows{{"员工表", "8000", "-9223372036854775808", "x"}, {"t", "", "0", ""}}));
    EXPECT_EQ(result.field(1, "length"), "");
}

TEST_F(SqlServerOdbc, ChineseInTheStatementReachesTheServerAsTyped) {
    const std::string sql = "select * from 员工 where 姓名 = N'张三'";
    m_provider.answer(
        sql, BatchResult{{rowsOutcome({{"姓名", ColumnType::NVarChar, 10, false}}, {{"张三"}})}});
    Result result = connect()->open(sql);
    EXPECT_EQ(result.columns(), (std::vector<std::string>{"姓名"}));
    EXPECT_EQ(result.rows(), (Rows{{"张三"}}));
    EXPECT_TRUE(m_provider.unrecognised().empty());
}

TEST_F(SqlServerOdbc, ChineseInTheServersMessageComesBackAsSent) {
    m_provider.answer("bad", BatchResult{{errorOutcome(208, "对象名 '员工' 无效。")}});
    try {
        connect()->open("bad");
        FAIL() << "no error";
    } catch (const DatabaseError& e) {
        EXPECT_STREQ(e.what(), "对象名 '员工' 无效。");
    }
}

TEST_F(SqlServerOdbc, ManyRowsAllArrive) {
    std::vector<std::vector<testserver::Value>> rows;
    for (int i = 0; i < 10000; ++i)
        rows.push_back({std::to_string(i), "行" + std::to_string(i)});
    m_provider.answer("select many",
                      BatchResult{{rowsOutcome({{"n", ColumnType::Int, 0, false},
                                                {"Text", ColumnType::NVarChar, 20, false}},
                                               std::move(rows))}});
    Result result = connect()->open("select many");
    ASSERT_EQ(result.size(), 10000u);
    EXPECT_EQ(result.rows()[9999], (Result::Row{"9999", "行9999"}));
}

TEST_F(SqlServerOdbc, TheServersErrorMessageIsPassedThrough) {
    m_provider.answer("select * from nosuch",
                      BatchResult{{errorOutcome(208, "Invalid object name 'nosuch'.")}});
    try {
        connect()->open("select * from nosuch");
        FAIL() << "no error";
    } catch (const DatabaseError& e) {
        EXPECT_STREQ(e.what(), "Invalid object name 'nosuch'.");
        EXPECT_EQ(e.nativeError(), 208);
    }
}

TEST_F(SqlServerOdbc, ABatchWithoutResultSetIsAnErrorForOpenOnly) {
    m_provider.answer("delete from t", BatchResult{{countOutcome(3)}});
    auto connection = connect();
    try {
        connection->open("delete from t");
        FAIL() << "no error";
    } catch (const DatabaseError& e) {
        EXPECT_STREQ(e.what(), "CommandText does not return a result set");
    }
    EXPECT_NO_THROW(connection->execute("delete from t"));
}

TEST_F(SqlServerOdbc, RowCountsBeforeTheFirstResultArePassedOver) {
    m_provider.answer(
        "two", BatchResult{{countOutcome(1), countOutcome(0),
                            rowsOutcome({{"a", ColumnType::Int, 0, false}}, {{"1"}, {"2"}})}});
    EXPECT_EQ(connect()->open("two").rows(), (Rows{{"1"}, {"2"}}));
}

TEST_F(SqlServerOdbc, AnErrorAfterTheFirstResultIsNotLost) {
    m_provider.answer(
        "ok then fail",
        BatchResult{{rowsOutcome({{"a", ColumnType::Int, 0, false}}, {{"7"}}),
                     errorOutcome(2714, "There is already an object named 'T' in the database.")}});
    auto connection = connect();
    EXPECT_THROW(connection->open("ok then fail"), DatabaseError);
    try {
        connection->execute("ok then fail");
        FAIL() << "no error";
    } catch (const DatabaseError& e) {
        EXPECT_STREQ(e.what(), "There is already an object named 'T' in the database.");
        EXPECT_EQ(e.nativeError(), 2714);
    }
}

} // namespace
} // namespace dbc
