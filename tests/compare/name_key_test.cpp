#include "name_key.h"
#include "row_groups.h"
#include "sql_text.h"

#include <gtest/gtest.h>

namespace dbc {
namespace {

struct OrderCase {
    std::string a;
    std::string b;
    int expected; // sign of compareNameKeys(a, b)
};

class NameKeyOrder : public ::testing::TestWithParam<OrderCase> {};

int sign(int value) {
    return (value > 0) - (value < 0);
}

TEST_P(NameKeyOrder, ComparesLowerCasedUnsignedBytesPrefixFirst) {
    const OrderCase& c = GetParam();
    EXPECT_EQ(sign(compareNameKeys(c.a, c.b)), c.expected);
    EXPECT_EQ(sign(compareNameKeys(c.b, c.a)), -c.expected);
    EXPECT_EQ(sign(nameKey(c.a).compare(nameKey(c.b))), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Names, NameKeyOrder,
    ::testing::Values(OrderCase{"Emp", "emp", 0}, OrderCase{"IX_A", "ix_a", 0},
                      OrderCase{"a", "b", -1}, OrderCase{"B", "a", 1}, OrderCase{"ab", "abc", -1},
                      OrderCase{"", "a", -1},
                      // '1' (0x31) before '_' (0x5F), though collations often differ.
                      OrderCase{"a1", "a_1", -1},
                      // '_' (0x5F) after 'Z' (0x5A) but before 'z': letters are lowered first.
                      OrderCase{"a_", "aZ", -1},
                      // Bytes of double-byte characters are unsigned and above ASCII.
                      OrderCase{"z", "\xE5\x90\x8D", -1}, OrderCase{"\xC3\x80", "\xC3\xA0", -1}));

TEST(NameKey, LowersOnlyAsciiCapitals) {
    EXPECT_EQ(nameKey("AbZ_\xC3\x80@[`"), "abz_\xC3\x80@[`");
}

TEST(ObjectKey, IgnoresTrailingBlanksOnly) {
    EXPECT_EQ(objectKey("Emp  "), "emp");
    EXPECT_EQ(objectKey(" Emp"), " emp");
    EXPECT_EQ(objectKey("Emp\t"), "emp\t");
}

TEST(RowGroups, GroupsByObjectKeyKeepingRowOrder) {
    Result result({"Name", "Text"}, {{"P1", "a"}, {"q", "b"}, {"p1 ", "c"}, {"O'x", "d"}});
    const RowGroups groups(result, "name");
    EXPECT_EQ(groups.rowsOf("p1"), (std::vector<std::size_t>{0, 2}));
    EXPECT_EQ(groups.rowsOf("O'X"), (std::vector<std::size_t>{3}));
    EXPECT_TRUE(groups.rowsOf("p").empty());
}

TEST(DistinctNames, KeepsTheFirstOfNamesEqualByObjectKey) {
    Result list({"SpName"}, {{"b"}, {"A"}, {"a"}, {"B "}, {"c"}});
    EXPECT_EQ(distinctNames(list, "spname"), (std::vector<std::string>{"b", "A", "c"}));
}

TEST(SqlText, TrimControlRemovesBytesUpTo32AtBothEnds) {
    EXPECT_EQ(trimControl(" \t\r\n(0)\x01 \n"), "(0)");
    EXPECT_EQ(trimControl("a b"), "a b");
    EXPECT_EQ(trimControl(" \n\t"), "");
    // A double-byte character's bytes are above 127, never trimmed.
    EXPECT_EQ(trimControl("\xE5\x90\x8D "), "\xE5\x90\x8D");
}

TEST(SqlText, NStringLiteralDoublesApostrophes) {
    EXPECT_EQ(nStringLiteral("p"), "N'p'");
    EXPECT_EQ(nStringLiteral("O'Brien"), "N'O''Brien'");
    EXPECT_EQ(nStringLiteral("x';drop table t--"), "N'x'';drop table t--'");
    EXPECT_EQ(nStringLiteral(""), "N''");
}

} // namespace
} // namespace dbc
