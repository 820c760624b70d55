// How values read from either SQL Server release are put into one form: a
// sys.columns row into syscolumns' values, a definition into the form it is
// compared in, a ProductVersion into the release it names. Cases in
// compare/cases/catalog_forms.tsv.

#include "catalog/server_version.h"
#include "catalog/view_column_facts.h"
#include "compare/definition_form.h"
#include "compare/release_neutral_form.h"
#include "tests/support/tsv_cases.h"

#include <gtest/gtest.h>

namespace dbc {
namespace {

class CatalogFormsTest : public testing::TestWithParam<CaseLine> {};

TEST_P(CatalogFormsTest, GivesWhatTheCaseExpects) {
    const CaseLine& line = GetParam();
    const std::vector<std::string>& f = line.fields;
    if (f.at(0) == "column") {
        ASSERT_EQ(f.size(), 11u) << "case line " << line.number;
        const ViewColumnType column{f[1], f[2], f[3] == "1", f[4], f[5], f[6]};
        EXPECT_EQ(modelTypeName(column), f[7]);
        EXPECT_EQ(modelLength(column), f[8]);
        EXPECT_EQ(modelScale(column), f[9]);
        EXPECT_EQ(modelTypeStat(column), f[10]);
    } else if (f.at(0) == "release") {
        ASSERT_EQ(f.size(), 4u) << "case line " << line.number;
        const ServerVersion version = serverVersionOf(f[1]);
        EXPECT_EQ(std::to_string(version.major), f[2]);
        EXPECT_EQ(releaseName(version.major), f[3]);
    } else if (f.at(0) == "definition") {
        ASSERT_EQ(f.size(), 3u) << "case line " << line.number;
        EXPECT_EQ(definitionForm(f[1]), f[2]);
    } else if (f.at(0) == "neutral") {
        ASSERT_EQ(f.size(), 3u) << "case line " << line.number;
        EXPECT_EQ(releaseNeutralForm(f[1]), f[2]);
    } else {
        FAIL() << "unknown form '" << f[0] << "' on case line " << line.number;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CatalogFormsTest,
    testing::ValuesIn(readCaseFile(caseFilePath("compare/cases/catalog_forms.tsv"))),
    CaseLineName());

} // namespace
} // namespace dbc
