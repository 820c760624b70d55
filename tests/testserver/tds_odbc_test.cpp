// The test server's protocol side as the FreeTDS ODBC driver sees it, with a
// fake SessionProvider in place of the SQL engine. Every case runs with TDS
// 7.1 (SQL Server 2000's own version) and 7.4 (ALL_HEADERS, 8-byte counts).

#include "tests/testserver/fake_session_provider.h"
#include "tests/testserver/in_process_server.h"
#include "tests/testserver/odbc_client.h"
#include "tests/testserver/tds_versions.h"

#include <gtest/gtest.h>

#include <thread>

namespace testserver::test {
namespace {

using Row = std::vector<std::optional<std::string>>;

class OdbcProtocolTest : public ::testing::TestWithParam<std::string> {
protected:
    OdbcProtocolTest()
        : m_provider({"hrms", "hrms_old"}, Credentials{"sa", "secret"}), m_server(m_provider) {}

    std::string connectionString(const std::string& user = "sa",
                                 const std::string& password = "secret",
                                 const std::string& database = "hrms") const {
        return freeTdsConnectionString(m_server.port(), user, password, database, GetParam());
    }

    // A result of `count` rows: a number and a 300-character text each.
    static BatchResult manyRows(int count) {
        std::vector<std::vector<Value>> rows;
        for (int i = 0; i < count; ++i)
            rows.push_back({std::to_string(i), std::string(300, static_cast<char>('a' + i % 26))});
        return BatchResult{{rowsOutcome(
            {{"n", ColumnType::Int, 0, false}, {"text", ColumnType::NVarChar, 300, false}},
            std::move(rows))}};
    }

    FakeSessionProvider m_provider;
    InProcessServer m_server;
};

TEST_P(OdbcProtocolTest, LoginIsAcceptedWithTheRightPassword) {
    OdbcConnection connection(connectionString());
    Credentials login = m_provider.lastLogin();
    EXPECT_EQ(login.user, "sa");
    EXPECT_EQ(login.password, "secret");
    EXPECT_EQ(m_provider.lastLoginDatabase(), "hrms");
}

TEST_P(OdbcProtocolTest, RefusedLoginReachesTheClientWithNumberAndText) {
    try {
        OdbcConnection connection(connectionString("sa", "wrong"));
        FAIL() << "a wrong password was accepted";
    } catch (const OdbcError& e) {
        EXPECT_EQ(e.nativeError(), 18456);
        EXPECT_NE(std::string(e.what()).find("Login failed for user 'sa'."), std::string::npos)
            << e.what();
    }
}

TEST_P(OdbcProtocolTest, UnknownDatabaseInTheLoginIsRefused) {
    try {
        OdbcConnection connection(connectionString("sa", "secret", "nosuchdb"));
        FAIL() << "an unknown database was accepted";
    } catch (const OdbcError& e) {
        EXPECT_EQ(e.nativeError(), 4060);
    }
}

TEST_P(OdbcProtocolTest, ResultSetCarriesNamesIntegersNullsAndChineseText) {
    m_provider.answer("select * from t",
                      BatchResult{{rowsOutcome(
                          {{"TableName", ColumnType::NVarChar, 128, false},
                           {"tiny", ColumnType::TinyInt, 0, true},
                           {"small", ColumnType::SmallInt, 0, true},
                           {"whole", ColumnType::Int, 0, true},
                           {"big", ColumnType::BigInt, 0, true}},
                          {{"员工表", "255", "-32768", "-2147483648", "9223372036854775807"},
                           {"emoji 😀", std::nullopt, std::nullopt, std::nullopt, std::nullopt}})}});
    OdbcConnection connection(connectionString());
    auto results = connection.execute("select * from t");
    ASSERT_EQ(results.size(), 1u);
    const OdbcResult& r = results[0];
    ASSERT_EQ(r.columns.size(), 5u);
    EXPECT_EQ(r.columns[0].name, "TableName");
    EXPECT_EQ(r.columns[0].sqlType, SQL_WVARCHAR);
    EXPECT_EQ(r.columns[0].size, 128u);
    EXPECT_EQ(r.columns[0].nullable, SQL_NO_NULLS);
    EXPECT_EQ(r.columns[1].sqlType, SQL_TINYINT);
    EXPECT_EQ(r.columns[2].sqlType, SQL_SMALLINT);
    EXPECT_EQ(r.columns[3].sqlType, SQL_INTEGER);
    EXPECT_EQ(r.columns[4].sqlType, SQL_BIGINT);
    EXPECT_EQ(r.columns[4].nullable, SQL_NULLABLE);
    ASSERT_EQ(r.rows.size(), 2u);
    EXPECT_EQ(r.rows[0], (Row{"员工表", "255", "-32768", "-2147483648", "9223372036854775807"}));
    EXPECT_EQ(r.rows[1], (Row{"emoji 😀", std::nullopt, std::nullopt, std::nullopt, std::nullopt}));
    EXPECT_EQ(r.rowCount, 2);
}

TEST_P(OdbcProtocolTest, EmptyResultStillDescribesItsColumns) {
    m_provider.answer("select name from sysobjects where 1=0",
                      BatchResult{{rowsOutcome({{"name", ColumnType::NVarChar, 128, false}}, {})}});
    OdbcConnection connection(connectionString());
    auto results = connection.execute("select name from sysobjects where 1=0");
    ASSERT_EQ(results.size(), 1u);
    ASSERT_EQ(results[0].columns.size(), 1u);
    EXPECT_EQ(results[0].columns[0].name, "name");
    EXPECT_TRUE(results[0].rows.empty());
}

TEST_P(OdbcProtocolTest, ManyRowsSpanningPacketsAllArrive) {
    m_provider.answer("select many", manyRows(3000));
    OdbcConnection connection(connectionString());
    auto results = connection.execute("select many");
    ASSERT_EQ(results.size(), 1u);
    ASSERT_EQ(results[0].rows.size(), 3000u);
    for (int i : {0, 1, 1499, 2999}) {
        EXPECT_EQ(results[0].rows[i][0], std::to_string(i));
        EXPECT_EQ(results[0].rows[i][1], std::string(300, static_cast<char>('a' + i % 26)));
    }
}

TEST_P(OdbcProtocolTest, TextLongerThanNVarCharLimitArrivesWhole) {
    std::string text;
    for (int i = 0; i < 3000; ++i)
        text += "行" + std::to_string(i % 10);
    m_provider.answer("sp_helptext big",
                      BatchResult{{rowsOutcome({{"Text", ColumnType::NVarChar, 255, true}},
                                               {{text}, {"short"}, {std::nullopt}})}});
    OdbcConnection connection(connectionString());
    auto results = connection.execute("sp_helptext big");
    ASSERT_EQ(results.size(), 1u);
    ASSERT_EQ(results[0].rows.size(), 3u);
    EXPECT_EQ(results[0].rows[0][0], text);
    EXPECT_EQ(results[0].rows[1][0], "short");
    EXPECT_EQ(results[0].rows[2][0], std::nullopt);
}

TEST_P(OdbcProtocolTest, LongRequestSpanningPacketsArrivesWhole) {
    std::string sql = "select '" + std::string(20000, 'x') + "中文'";
    m_provider.answer(sql, BatchResult{{countOutcome(1)}});
    OdbcConnection connection(connectionString());
    connection.execute(sql);
    auto batches = m_provider.batches();
    ASSERT_FALSE(batches.empty());
    EXPECT_EQ(batches.back(), sql);
}

TEST_P(OdbcProtocolTest, ErrorReachesOdbcWithNativeNumberAndText) {
    m_provider.answer("select * from nosuch",
                      BatchResult{{errorOutcome(208, "Invalid object name 'nosuch'.")}});
    OdbcConnection connection(connectionString());
    try {
        connection.execute("select * from nosuch");
        FAIL() << "the error did not reach the client";
    } catch (const OdbcError& e) {
        EXPECT_EQ(e.nativeError(), 208);
        EXPECT_NE(std::string(e.what()).find("Invalid object name 'nosuch'."), std::string::npos)
            << e.what();
    }
    // The connection stays usable after a statement error.
    m_provider.answer("select 1",
                      BatchResult{{rowsOutcome({{"", ColumnType::Int, 0, false}}, {{"1"}})}});
    EXPECT_EQ(connection.execute("select 1").at(0).rows.at(0).at(0), "1");
}

TEST_P(OdbcProtocolTest, SeveralStatementsInOneBatchEachGiveTheirResult) {
    m_provider.answer("three",
                      BatchResult{{rowsOutcome({{"a", ColumnType::Int, 0, false}}, {{"1"}, {"2"}}),
                                   countOutcome(5),
                                   rowsOutcome({{"b", ColumnType::NVarChar, 10, true}}, {{"x"}})}});
    OdbcConnection connection(connectionString());
    auto results = connection.execute("three");
    ASSERT_EQ(results.size(), 3u);
    EXPECT_EQ(results[0].columns.at(0).name, "a");
    EXPECT_EQ(results[0].rows.size(), 2u);
    EXPECT_TRUE(results[1].columns.empty());
    EXPECT_EQ(results[1].rowCount, 5);
    EXPECT_EQ(results[2].columns.at(0).name, "b");
    EXPECT_EQ(results[2].rows, (std::vector<Row>{{"x"}}));
}

TEST_P(OdbcProtocolTest, FailingSecondStatementIsReportedAfterTheFirstResult) {
    m_provider.answer("first ok then fail",
                      BatchResult{{rowsOutcome({{"a", ColumnType::Int, 0, false}}, {{"7"}}),
                                   errorOutcome(2714, "There is already an object named 'T' in the "
                                                      "database.")}});
    OdbcConnection connection(connectionString());
    try {
        connection.execute("first ok then fail");
        FAIL() << "the second statement's error was lost";
    } catch (const OdbcError& e) {
        EXPECT_EQ(e.nativeError(), 2714);
    }
}

TEST_P(OdbcProtocolTest, IntegerValueOutOfRangeFailsTheStatementInsteadOfSendingGarbage) {
    m_provider.answer("bad int", BatchResult{{rowsOutcome({{"n", ColumnType::SmallInt, 0, false}},
                                                          {{"1"}, {"40000"}})}});
    OdbcConnection connection(connectionString());
    try {
        connection.execute("bad int");
        FAIL() << "an out-of-range value was sent";
    } catch (const OdbcError& e) {
        EXPECT_EQ(e.nativeError(), 8115);
    }
}

TEST_P(OdbcProtocolTest, UseChangesTheCurrentCatalogTheDriverReports) {
    OdbcConnection connection(connectionString());
    connection.execute("use hrms_old");
    EXPECT_EQ(connection.currentCatalog(), "hrms_old");
}

TEST_P(OdbcProtocolTest, UnknownDatabaseInUseGivesError911) {
    OdbcConnection connection(connectionString());
    try {
        connection.execute("use nosuch");
        FAIL() << "use of an unknown database succeeded";
    } catch (const OdbcError& e) {
        EXPECT_EQ(e.nativeError(), 911);
    }
}

TEST_P(OdbcProtocolTest, TwoClientsAtOnceEachGetTheirOwnResults) {
    m_provider.answer("select many", manyRows(500));
    OdbcConnection first(connectionString());
    OdbcConnection second(connectionString("sa", "secret", "hrms_old"));
    std::vector<OdbcResult> a;
    std::vector<OdbcResult> b;
    std::thread other([&] { b = second.execute("select many"); });
    a = first.execute("select many");
    other.join();
    ASSERT_EQ(a.size(), 1u);
    ASSERT_EQ(b.size(), 1u);
    EXPECT_EQ(a[0].rows.size(), 500u);
    EXPECT_EQ(b[0].rows, a[0].rows);
}

TEST_P(OdbcProtocolTest, ClosingACursorEarlyCancelsAndTheConnectionGoesOn) {
    m_provider.answer("select many", manyRows(20000));
    m_provider.answer("select 1",
                      BatchResult{{rowsOutcome({{"", ColumnType::Int, 0, false}}, {{"1"}})}});
    OdbcConnection connection(connectionString());
    auto first = connection.fetchSomeThenClose("select many", 2);
    EXPECT_EQ(first.at(1).at(0), "1");
    EXPECT_EQ(connection.execute("select 1").at(0).rows.at(0).at(0), "1");
}

TEST_P(OdbcProtocolTest, DriverSendsNothingTheEngineWouldNotUnderstand) {
    OdbcConnection connection(connectionString());
    m_provider.answer("select 1",
                      BatchResult{{rowsOutcome({{"", ColumnType::Int, 0, false}}, {{"1"}})}});
    connection.execute("select 1");
    EXPECT_TRUE(m_provider.unrecognised().empty());
    EXPECT_EQ(m_provider.batches(), (std::vector<std::string>{"select 1"}));
}

// A manual-commit session: FreeTDS sends SQL for TDS 7.1 and transaction
// manager requests for 7.2+; either way the engine sees transaction
// statements and the driver reports success.
TEST_P(OdbcProtocolTest, ManualCommitSessionBeginsCommitsAndRollsBack) {
    m_provider.answer("select 1",
                      BatchResult{{rowsOutcome({{"", ColumnType::Int, 0, false}}, {{"1"}})}});
    OdbcConnection connection(connectionString());
    SQLHDBC dbc = connection.handle();
    ASSERT_TRUE(SQL_SUCCEEDED(SQLSetConnectAttr(
        dbc, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0)));
    EXPECT_EQ(connection.execute("select 1").at(0).rows.size(), 1u);
    EXPECT_TRUE(SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, dbc, SQL_COMMIT)));
    EXPECT_EQ(connection.execute("select 1").at(0).rows.size(), 1u);
    EXPECT_TRUE(SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, dbc, SQL_ROLLBACK)));
    EXPECT_TRUE(SQL_SUCCEEDED(SQLSetConnectAttr(
        dbc, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON), 0)));
    std::string all;
    for (const auto& b : m_provider.batches())
        all += b + "|";
    EXPECT_NE(all.find("BEGIN TRANSACTION"), std::string::npos) << all;
    EXPECT_NE(all.find("COMMIT"), std::string::npos) << all;
    EXPECT_NE(all.find("ROLLBACK"), std::string::npos) << all;
    EXPECT_TRUE(m_server.log().empty());
}

// SQLPrepare/SQLExecute make the driver call sp_prepexec, which this server
// does not offer: the client gets an error and the connection goes on.
TEST_P(OdbcProtocolTest, PreparedStatementIsRefusedWithAnErrorAndTheConnectionGoesOn) {
    m_provider.answer("select 1",
                      BatchResult{{rowsOutcome({{"", ColumnType::Int, 0, false}}, {{"1"}})}});
    OdbcConnection connection(connectionString());
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    ASSERT_TRUE(SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, connection.handle(), &stmt)));
    SQLCHAR sql[] = "select 1";
    SQLPrepare(stmt, sql, SQL_NTS);
    EXPECT_FALSE(SQL_SUCCEEDED(SQLExecute(stmt)));
    SQLCHAR state[6] = {};
    SQLINTEGER native = 0;
    SQLCHAR text[512] = {};
    SQLSMALLINT length = 0;
    ASSERT_TRUE(SQL_SUCCEEDED(
        SQLGetDiagRec(SQL_HANDLE_STMT, stmt, 1, state, &native, text, sizeof text, &length)));
    EXPECT_NE(std::string(reinterpret_cast<char*>(text)).find("sp_prepexec"), std::string::npos)
        << text;
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    EXPECT_EQ(connection.execute("select 1").at(0).rows.at(0).at(0), "1");
}

INSTANTIATE_TEST_SUITE_P(TdsVersions, OdbcProtocolTest, tdsVersions(), TdsVersionName());

} // namespace
} // namespace testserver::test
