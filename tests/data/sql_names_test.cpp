#include "data/sql_names.h"

#include "tests/support/tsv_cases.h"

#include <gtest/gtest.h>

namespace dbc {
namespace {

class SqlNamesTest : public testing::TestWithParam<CaseLine> {};

TEST_P(SqlNamesTest, WritesTheNameAsTheCaseExpects) {
    const CaseLine& line = GetParam();
    ASSERT_EQ(line.fields.size(), 3u) << "case line " << line.number;
    const std::string& form = line.fields[0];
    const std::string& name = line.fields[1];
    const std::string& expected = line.fields[2];
    if (form == "name")
        EXPECT_EQ(sqlName(name), expected);
    else if (form == "inside")
        EXPECT_EQ(bracketedNameBody(name), expected);
    else
        FAIL() << "unknown form '" << form << "' on case line " << line.number;
}

INSTANTIATE_TEST_SUITE_P(Cases, SqlNamesTest,
                         testing::ValuesIn(readCaseFile(caseFilePath("data/cases/sql_names.tsv"))),
                         CaseLineName());

} // namespace
} // namespace dbc
