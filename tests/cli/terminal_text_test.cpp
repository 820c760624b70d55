// What a terminal is given of a text, over the cases of terminal_text.tsv.

#include "cli/terminal_text.h"
#include "tests/support/tsv_cases.h"

#include <gtest/gtest.h>

namespace dbc::cli {
namespace {

class TerminalText : public testing::TestWithParam<CaseLine> {};

TEST_P(TerminalText, ShowsControlCharactersVisibly) {
    const auto& f = GetParam().fields;
    ASSERT_EQ(f.size(), 3u);
    ASSERT_TRUE(f[0] == "lines" || f[0] == "oneline") << f[0];
    EXPECT_EQ(visibleControls(f[1], f[0] == "lines"), f[2]);
}

INSTANTIATE_TEST_SUITE_P(Cases, TerminalText,
                         testing::ValuesIn(readCaseFile(caseFilePath("cli/terminal_text.tsv"))),
                         CaseLineName());

} // namespace
} // namespace dbc::cli
