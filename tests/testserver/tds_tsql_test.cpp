// The test server's protocol side as FreeTDS's command-line client `tsql`
// sees it, run as a child process against a server in this process.

#include "tests/support/child_process.h"
#include "tests/testserver/fake_session_provider.h"
#include "tests/testserver/in_process_server.h"
#include "tests/testserver/tds_versions.h"

#include <gtest/gtest.h>

namespace testserver::test {
namespace {

class TsqlProtocolTest : public ::testing::TestWithParam<std::string> {
protected:
    TsqlProtocolTest()
        : m_provider({"hrms", "hrms_old"}, Credentials{"sa", "secret"}), m_server(m_provider) {
        m_provider.answer("select TableName, colid from cols",
                          BatchResult{{rowsOutcome({{"TableName", ColumnType::NVarChar, 128, false},
                                                    {"colid", ColumnType::SmallInt, 0, true}},
                                                   {{"员工", "1"}, {"Dept", std::nullopt}})}});
        m_provider.answer("select * from nosuch",
                          BatchResult{{errorOutcome(208, "Invalid object name 'nosuch'.")}});
    }

    // What tsql prints, its messages and the server's interleaved as a
    // terminal shows them.
    dbc::test::CommandResult tsql(const std::string& input,
                                  const std::string& password = "secret") const {
        return dbc::test::ChildProcess(
                   {"tsql", "-H", "127.0.0.1", "-p", std::to_string(m_server.port()), "-U", "sa",
                    "-P", password, "-D", "hrms"},
                   dbc::test::ChildOptions::interleaved(
                       {"TDSVER=" + GetParam(), "LANG=C.UTF-8", "FREETDSCONF=/dev/null"}))
            .finish(input);
    }

    FakeSessionProvider m_provider;
    InProcessServer m_server;
};

TEST_P(TsqlProtocolTest, QueryPrintsColumnNamesValuesAndNulls) {
    auto result = tsql("select TableName, colid from cols\ngo\nexit\n");
    EXPECT_EQ(result.exitCode, 0) << result.out;
    EXPECT_NE(result.out.find("TableName"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("员工"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("NULL"), std::string::npos) << result.out;
    EXPECT_TRUE(m_provider.unrecognised().empty());
    // tsql sends nothing of its own after the login.
    EXPECT_EQ(m_provider.batches().size(), 1u);
}

TEST_P(TsqlProtocolTest, RefusedLoginPrintsTheServerMessage) {
    auto result = tsql("exit\n", "wrong");
    EXPECT_NE(result.exitCode, 0);
    EXPECT_NE(result.out.find("Login failed for user 'sa'."), std::string::npos) << result.out;
}

TEST_P(TsqlProtocolTest, ErrorPrintsNumberAndText) {
    auto result = tsql("select * from nosuch\ngo\nexit\n");
    EXPECT_NE(result.out.find("Msg 208"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("Invalid object name 'nosuch'."), std::string::npos) << result.out;
}

INSTANTIATE_TEST_SUITE_P(TdsVersions, TsqlProtocolTest, tdsVersions(), TdsVersionName());

} // namespace
} // namespace testserver::test
