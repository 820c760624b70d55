// The temporary name a table rebuild creates its new table under: the cases
// of temporary_names.tsv.

#include "catalog/name_key.h"
#include "compare/table_rebuild.h"
#include "tests/support/tsv_cases.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace dbc {
namespace {

// "{N*c}" written out: N times the character c (one UTF-8 character).
std::string expanded(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t close = text.find('}', i);
        if (text[i] != '{' || close == std::string::npos) {
            out += text[i++];
            continue;
        }
        const std::size_t star = text.find('*', i);
        const int count = std::stoi(text.substr(i + 1, star - i - 1));
        const std::string character = text.substr(star + 1, close - star - 1);
        for (int n = 0; n < count; ++n)
            out += character;
        i = close + 1;
    }
    return out;
}

class TemporaryName : public ::testing::TestWithParam<CaseLine> {};

TEST_P(TemporaryName, IsFreeAndFitsSysname) {
    const auto& fields = GetParam().fields;
    ASSERT_EQ(fields.size(), 3u);
    std::set<std::string> taken;
    for (std::size_t from = 0; !fields[1].empty() && from <= fields[1].size();) {
        const std::size_t bar = std::min(fields[1].find('|', from), fields[1].size());
        taken.insert(objectKey(expanded(fields[1].substr(from, bar - from))));
        from = bar + 1;
    }
    EXPECT_EQ(temporaryTableName(expanded(fields[0]), taken), expanded(fields[2]));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TemporaryName,
    ::testing::ValuesIn(readCaseFile(caseFilePath("compare/temporary_names.tsv"))), CaseLineName{});

} // namespace
} // namespace dbc
