#include "testserver/engine/lexer.h"
#include "testserver/engine/statement_splitter.h"

#include <gtest/gtest.h>

namespace testserver {
namespace {

struct SplitCase {
    const char* batch;
    std::vector<std::string> statements;
};

class StatementSplitterTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(StatementSplitterTest, SplitsAsSqlServerDelimitsStatements) {
    const SplitCase& c = GetParam();
    std::vector<Token> tokens = tokenize(c.batch);
    std::vector<std::string> texts;
    for (const StatementSpan& span : splitStatements(c.batch, tokens))
        texts.push_back(span.text);
    EXPECT_EQ(texts, c.statements);
}

INSTANTIATE_TEST_SUITE_P(
    Batches, StatementSplitterTest,
    ::testing::Values(
        SplitCase{"use hrms\nselect 1", {"use hrms", "select 1"}},
        SplitCase{"select 1; select 2;", {"select 1", "select 2"}},
        SplitCase{"SET NOCOUNT ON SELECT @@spid", {"SET NOCOUNT ON", "SELECT @@spid"}},
        SplitCase{"select 1 union select 2", {"select 1 union select 2"}},
        SplitCase{"select (select 1) as a", {"select (select 1) as a"}},
        SplitCase{"Alter Table T Alter COLUMN c int NULL",
                  {"Alter Table T Alter COLUMN c int NULL"}},
        SplitCase{"Alter Table T Drop  Column c ", {"Alter Table T Drop  Column c"}},
        SplitCase{"ALTER TABLE T Drop DF_x", {"ALTER TABLE T Drop DF_x"}},
        SplitCase{"ALTER TABLE T DROP COLUMN c DROP TABLE u",
                  {"ALTER TABLE T DROP COLUMN c", "DROP TABLE u"}},
        SplitCase{"Drop Index T.I Create INDEX I On [T] ([a]) ON [PRIMARY]",
                  {"Drop Index T.I", "Create INDEX I On [T] ([a]) ON [PRIMARY]"}},
        SplitCase{"IF @@TRANCOUNT > 0 COMMIT TRAN select 1",
                  {"IF @@TRANCOUNT > 0 COMMIT TRAN", "select 1"}},
        SplitCase{"if exists (select * from t) drop table t else select 2",
                  {"if exists (select * from t) drop table t else select 2"}},
        SplitCase{"select case when 1 = 1 then 1 else 2 end select 3",
                  {"select case when 1 = 1 then 1 else 2 end", "select 3"}},
        SplitCase{"sp_helpText p_x", {"sp_helpText p_x"}},
        SplitCase{"-- header\nCREATE PROCEDURE p AS\nselect 1\nselect 2\n",
                  {"-- header\nCREATE PROCEDURE p AS\nselect 1\nselect 2\n"}},
        SplitCase{"create view v as select a from t", {"create view v as select a from t"}},
        SplitCase{"select 1 create trigger t on x for insert as select 2",
                  {"select 1", "create trigger t on x for insert as select 2"}},
        SplitCase{"", {}}));

} // namespace
} // namespace testserver
