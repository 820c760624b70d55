#include "script/statement_text.h"

#include "tests/support/tsv_cases.h"

#include <gtest/gtest.h>

namespace dbc {
namespace {

class ColumnStatementsTest : public testing::TestWithParam<CaseLine> {};

TEST_P(ColumnStatementsTest, WritesTheStatementTheCaseExpects) {
    const CaseLine& line = GetParam();
    const std::vector<std::string>& f = line.fields;
    ASSERT_EQ(f.size(), 13u) << "case line " << line.number;
    const Column column{f[1], f[2], f[3], f[4], f[6], f[7], f[8], f[9], f[5], true, f[10], f[11]};
    const std::string& form = f[0];
    if (form == "add")
        EXPECT_EQ(addColumnStatement({column, std::nullopt}), f[12]);
    else if (form == "alter")
        EXPECT_EQ(alterColumnStatement({column}), f[12]);
    else if (form == "create")
        EXPECT_EQ(createTableStatement({column.table, {column}}), f[12]);
    else if (form == "drop")
        EXPECT_EQ(dropColumnStatement({column.table, column.name, false}), f[12]);
    else if (form == "trailing")
        EXPECT_EQ(dropColumnStatement({column.table, column.name, true}), f[12]);
    else
        FAIL() << "unknown form '" << form << "' on case line " << line.number;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ColumnStatementsTest,
    testing::ValuesIn(readCaseFile(caseFilePath("compare/cases/column_statements.tsv"))),
    CaseLineName());

} // namespace
} // namespace dbc
