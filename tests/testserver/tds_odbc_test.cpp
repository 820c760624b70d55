// The test server's protocol side as the FreeTDS ODBC driver sees it, with a
// fake SessionProvider in place of the SQL engine.

#include "fake_session_provider.h"
#include "in_process_server.h"
#include "odbc_client.h"

#include <gtest/gtest.h>

namespace testserver::test {
namespace {

class OdbcProtocolTest : public ::testing::TestWithParam<std::string> {
protected:
    OdbcProtocolTest()
        : m_provider({"hrms", "hrms_old"}, Credentials{"sa", "secret"}), m_server(m_provider) {}

    std::string connectionString(const std::string& user = "sa",
                                 const std::string& password = "secret",
                                 const std::string& database = "hrms") const {
        return freeTdsConnectionString(m_server.port(), user, password, database, GetParam());
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
    using Row = std::vector<std::optional<std::string>>;
    EXPECT_EQ(r.rows[0], (Row{"员工表", "255", "-32768", "-2147483648", "9223372036854775807"}));
    EXPECT_EQ(r.rows[1], (Row{"emoji 😀", std::nullopt, std::nullopt, std::nullopt, std::nullopt}));
    EXPECT_EQ(r.rowCount, 2);
}

INSTANTIATE_TEST_SUITE_P(TdsVersions, OdbcProtocolTest, ::testing::Values("7.1", "7.4"));

} // namespace
} // namespace testserver::test
