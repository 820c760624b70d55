#include "testserver/engine/help_text.h"

#include <gtest/gtest.h>

namespace testserver {
namespace {

struct RowsCase {
    std::string text;
    std::vector<std::string> rows;
};

class HelpTextRowsTest : public ::testing::TestWithParam<RowsCase> {};

TEST_P(HelpTextRowsTest, CutsAfterLineEndsAndAt255Characters) {
    EXPECT_EQ(helpTextRows(GetParam().text), GetParam().rows);
}

std::string repeat(const std::string& unit, std::size_t count) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i)
        text += unit;
    return text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, HelpTextRowsTest,
    ::testing::Values(
        RowsCase{"", {}},
        RowsCase{"CREATE PROC p AS\r\nSELECT 1", {"CREATE PROC p AS\r\n", "SELECT 1"}},
        RowsCase{"a\nb\n", {"a\n", "b\n"}}, RowsCase{"\r\n\r\nx", {"\r\n", "\r\n", "x"}},
        // 254 characters and CR LF: the CR fills the row, the LF goes alone.
        RowsCase{repeat("x", 254) + "\r\n", {repeat("x", 254) + "\r", "\n"}},
        RowsCase{repeat("x", 254) + "\n", {repeat("x", 254) + "\n"}},
        RowsCase{repeat("x", 255) + "\n", {repeat("x", 255), "\n"}},
        RowsCase{repeat("x", 600), {repeat("x", 255), repeat("x", 255), repeat("x", 90)}},
        // Characters, not bytes: 300 Chinese characters make 255 + 45.
        RowsCase{repeat("档", 300), {repeat("档", 255), repeat("档", 45)}},
        RowsCase{"a\rb", {"a\rb"}}));

struct NameCase {
    const char* argument;
    const char* object;
};

class ObjectPartTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(ObjectPartTest, TakesTheLastPartOfAQualifiedName) {
    EXPECT_EQ(objectPartOfName(GetParam().argument), GetParam().object);
}

INSTANTIATE_TEST_SUITE_P(Names, ObjectPartTest,
                         ::testing::Values(NameCase{"p", "p"}, NameCase{"dbo.p", "p"},
                                           NameCase{"[dbo].[my proc]", "my proc"},
                                           NameCase{"[a]]b]", "a]b"}, NameCase{"a]b", "a]b"},
                                           NameCase{"O'Brien report", "O'Brien report"},
                                           NameCase{"[x.y]", "x.y"},
                                           NameCase{"\"q\"\"r\"", "q\"r"}));

} // namespace
} // namespace testserver
