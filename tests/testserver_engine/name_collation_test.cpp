#include "testserver/engine/name_collation.h"
#include "testserver/engine/select_rewriter.h"
#include "testserver/engine/server_error.h"

#include <gtest/gtest.h>

namespace testserver {
namespace {

TEST(NameCollationTest, IgnoresAsciiCaseAndTrailingBlanksOnly) {
    EXPECT_EQ(compareNames("Emp", "EMP"), 0);
    EXPECT_EQ(compareNames("Contract ", "contract"), 0);
    EXPECT_EQ(compareNames("Contract   ", "Contract "), 0);
    EXPECT_NE(compareNames(" Emp", "Emp"), 0); // leading blanks count
    EXPECT_NE(compareNames("Émp", "émp"), 0);  // only ASCII letters fold
    EXPECT_EQ(compareNames("员工档案", "员工档案 "), 0);
}

TEST(NameCollationTest, OrdersByFoldedBytesWithPrefixFirst) {
    EXPECT_LT(compareNames("a", "B"), 0);
    EXPECT_LT(compareNames("Emp", "Employee"), 0);
    EXPECT_LT(compareNames("Z_x", "员工"), 0); // UTF-8 bytes above ASCII sort last
    EXPECT_GT(compareNames("b", "A"), 0);
    EXPECT_LT(compareNames("IX_1", "IX_a"), 0);
}

struct RewriteCase {
    const char* sql;
    const char* rewritten;
};

class RewriteTest : public ::testing::TestWithParam<RewriteCase> {};

TEST_P(RewriteTest, ChangesOnlyWhatSqliteCannotRead) {
    SessionVariables variables;
    variables.database = "hrms";
    variables.spid = 53;
    EXPECT_EQ(rewriteForSqlite(GetParam().sql, variables), GetParam().rewritten);
}

INSTANTIATE_TEST_SUITE_P(
    Selects, RewriteTest,
    ::testing::Values(
        RewriteCase{"Select * From sysObjects where type='P' and Status>=0 and name=N'p''x'",
                    "Select * From sysObjects where type='P' and Status>=0 and name='p''x'"},
        RewriteCase{"select [a]]b], [c d] from [t]", "select \"a]b\", \"c d\" from \"t\""},
        RewriteCase{"select @@SPID, @@trancount", "select 53, 0"},
        RewriteCase{"select name from dbo.sysobjects", "select name from sysobjects"},
        RewriteCase{"select name from [dbo].[sysobjects]", "select name from \"sysobjects\""},
        RewriteCase{"select name from hrms..sysobjects", "select name from sysobjects"},
        RewriteCase{"select name from hrms.dbo.sysobjects", "select name from sysobjects"},
        RewriteCase{"select a.name from sysobjects a", "select a.name from sysobjects a"},
        RewriteCase{"select top 5 name from sysobjects order by name;",
                    "select name from sysobjects order by name LIMIT 5"},
        RewriteCase{"SELECT a.name AS DFName  FROM sysobjects a  ",
                    "SELECT a.name AS DFName  FROM sysobjects a  "}));

TEST(RewriteTest, UndeclaredVariablesAreRefusedWith137) {
    SessionVariables variables;
    for (const char* sql : {"select @x", "select @@nosuchthing"}) {
        try {
            rewriteForSqlite(sql, variables);
            FAIL() << sql;
        } catch (const ServerError& error) {
            EXPECT_EQ(error.messages().front().number, 137) << sql;
        }
    }
}

} // namespace
} // namespace testserver
