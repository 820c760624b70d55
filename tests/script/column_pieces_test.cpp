#include "script/column_type.h"

#include "tests/support/tsv_cases.h"

#include <gtest/gtest.h>

namespace dbc {
namespace {

std::string kindWord(TypeKind kind) {
    switch (kind) {
    case TypeKind::Plain:
        return "plain";
    case TypeKind::ExactNumeric:
        return "exact";
    case TypeKind::FractionalSeconds:
        return "seconds";
    case TypeKind::Alias:
        return "alias";
    }
    return "?";
}

class ColumnPiecesTest : public testing::TestWithParam<CaseLine> {};

TEST_P(ColumnPiecesTest, GivesWhatTheCaseExpects) {
    const CaseLine& line = GetParam();
    const std::vector<std::string>& f = line.fields;
    if (f.at(0) == "kind") {
        ASSERT_EQ(f.size(), 3u) << "case line " << line.number;
        EXPECT_EQ(kindWord(typeKindOf(f[1])), f[2]);
    } else if (f.at(0) == "length") {
        ASSERT_EQ(f.size(), 3u) << "case line " << line.number;
        EXPECT_EQ(lengthText(f[1]), f[2]);
    } else if (f.at(0) == "later") {
        ASSERT_EQ(f.size(), 3u) << "case line " << line.number;
        EXPECT_EQ(isLaterTypeName(f[1]) ? "yes" : "no", f[2]);
    } else if (f.at(0) == "identity") {
        ASSERT_EQ(f.size(), 4u) << "case line " << line.number;
        EXPECT_EQ(identityPiece(f[1], f[2]), f[3]);
    } else {
        FAIL() << "unknown form '" << f[0] << "' on case line " << line.number;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ColumnPiecesTest,
    testing::ValuesIn(readCaseFile(caseFilePath("script/cases/column_pieces.tsv"))),
    CaseLineName());

} // namespace
} // namespace dbc
