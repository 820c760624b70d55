#include "testserver/engine/name_collation.h"
#include "testserver/engine/select_rewriter.h"
#include "testserver/engine/server_error.h"

#include <gtest/gtest.h>

namespace testserver {
namespace {

TEST(NameCollationTest, IgnoresCaseOfEveryLetterAndTrailingBlanksOnly) {
    EXPECT_EQ(compareNames("Emp", "EMP"), 0);
    EXPECT_EQ(compareNames("Contract ", "contract"), 0);
    EXPECT_EQ(compareNames("Contract   ", "Contract "), 0);
    EXPECT_NE(compareNames(" Emp", "Emp"), 0); // leading blanks count
    EXPECT_EQ(compareNames("Prénom", "PRÉNOM"), 0);
    EXPECT_EQ(compareNames("Имя ", "ИМЯ"), 0);
    EXPECT_NE(compareNames("Prénom", "Prenom"), 0);  // accents count
    EXPECT_NE(compareNames("straße", "STRASSE"), 0); // one letter folds to one
    EXPECT_EQ(compareNames("员工档案", "员工档案 "), 0);
}

TEST(NameCollationTest, OrdersByFoldedBytesWithPrefixFirst) {
    EXPECT_LT(compareNames("a", "B"), 0);
    EXPECT_LT(compareNames("Emp", "Employee"), 0);
    EXPECT_LT(compareNames("Z_x", "员工"), 0); // UTF-8 bytes above ASCII sort last
    EXPECT_GT(compareNames("b", "A"), 0);
    EXPECT_LT(compareNames("IX_1", "IX_a"), 0);
    EXPECT_LT(compareNames("ÉA", "éb"), 0); // folded first, then ordered
    EXPECT_LT(compareNames("Emp", "Émp"), 0);
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

// T-SQL's operators and functions keep their meaning and precedence; the
// rest of the text is left as written.
INSTANTIATE_TEST_SUITE_P(
    Expressions, RewriteTest,
    ::testing::Values(
        RewriteCase{"select 'a' + name from t", "select tsql_plus('a', name) from t"},
        RewriteCase{"select a - b + c, -1 + 2", "select tsql_plus(a - b, c), tsql_plus(-1, 2)"},
        RewriteCase{"select 1 + 2 * 3 - 4", "select tsql_plus(1, 2 * 3) - 4"},
        RewriteCase{"select x from t where t.name + '.' = 'a.' and 1 = 1",
                    "select x from t where tsql_plus(t.name, '.') = 'a.' and 1 = 1"},
        RewriteCase{"select count(*) + 1, (a + b) * 2",
                    "select tsql_plus(count(*), 1), (tsql_plus(a, b)) * 2"},
        RewriteCase{"select case when a = 1 then 'x' else 'y' end + 'z'",
                    "select tsql_plus(case when a = 1 then 'x' else 'y' end, 'z')"},
        RewriteCase{"select convert(varchar(10), x, 113), CAST(y AS int) + 1",
                    "select tsql_convert('varchar(10)', x, 113), tsql_plus(tsql_convert('int', "
                    "y), 1)"},
        RewriteCase{"select isnull(a, 'b'), left(a, 2), datediff(day, a, b)",
                    "select tsql_isnull(a, 'b'), tsql_left(a, 2), datediff('day', a, b)"},
        RewriteCase{"select name from t where sysstat & 0xf = 4 and name in ('a', 'b')",
                    "select name from t where sysstat & 0xf = 4 and name in ('a', 'b')"},
        RewriteCase{"select a from t left join u on t.x = u.x", "select a from t left join u on "
                                                                "t.x = u.x"}));

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
