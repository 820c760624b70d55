#include "data/odbc_diagnostics.h"

#include <gtest/gtest.h>

namespace dbc {
namespace {

struct PrefixCase {
    const char* raw;
    const char* shown;
};

class StripDriverPrefix : public testing::TestWithParam<PrefixCase> {};

TEST_P(StripDriverPrefix, ShowsTheServersOwnText) {
    EXPECT_EQ(stripDriverPrefix(GetParam().raw), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, StripDriverPrefix,
    testing::Values(PrefixCase{"[FreeTDS][SQL Server]Invalid object name 'x'.",
                               "Invalid object name 'x'."},
                    PrefixCase{"[unixODBC][FreeTDS][SQL Server]Login failed for user 'sa'.",
                               "Login failed for user 'sa'."},
                    PrefixCase{"[Microsoft][ODBC Driver 18 for SQL Server][SQL Server]Bad", "Bad"},
                    PrefixCase{"[unixODBC][Driver Manager]Data source name not found",
                               "Data source name not found"},
                    PrefixCase{"[SQLite]no such table: t (1)", "no such table: t (1)"},
                    // A bracketed, qualified name that begins the server's text stays.
                    PrefixCase{"[dbo].[t] is not a table", "[dbo].[t] is not a table"},
                    PrefixCase{"[FreeTDS][SQL Server][dbo].[t] is missing", "[dbo].[t] is missing"},
                    PrefixCase{"no prefix [at all]", "no prefix [at all]"},
                    PrefixCase{"[unclosed prefix", "[unclosed prefix"}, PrefixCase{"", ""}));

TEST(OdbcError, JoinsTheErrorRecordsInOrderAndLeavesOutInformationalOnes) {
    std::vector<OdbcDiagnostic> records = {
        {"01000", 5701, "[FreeTDS][SQL Server]Changed database context to 'hrms'."},
        {"42S02", 208, "[FreeTDS][SQL Server]Invalid object name 'nosuch'."},
        {"42000", 8180, "[FreeTDS][SQL Server]Statement(s) could not be prepared."},
    };
    DatabaseError error = makeOdbcError(records, "fallback");
    EXPECT_STREQ(error.what(),
                 "Invalid object name 'nosuch'.\nStatement(s) could not be prepared.");
    EXPECT_EQ(error.sqlState(), "42S02");
    EXPECT_EQ(error.nativeError(), 208);
}

TEST(OdbcError, UsesInformationalRecordsWhenThereIsNothingElse) {
    // unixODBC reports a driver library it cannot load with SQLSTATE 01000.
    std::vector<OdbcDiagnostic> records = {
        {"01000", 0, "[unixODBC][Driver Manager]Can't open lib 'x' : file not found"}};
    DatabaseError error = makeOdbcError(records, "fallback");
    EXPECT_STREQ(error.what(), "Can't open lib 'x' : file not found");
    EXPECT_EQ(error.sqlState(), "01000");
}

TEST(OdbcError, FallsBackWhenTheDriverLeftNoRecord) {
    DatabaseError error = makeOdbcError({}, "ODBC call SQLFetch failed");
    EXPECT_STREQ(error.what(), "ODBC call SQLFetch failed");
    EXPECT_EQ(error.sqlState(), "");
}

} // namespace
} // namespace dbc
