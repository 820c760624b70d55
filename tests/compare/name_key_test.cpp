#include "catalog/name_key.h"
#include "data/sql_text.h"
#include "snapshot/store_reader.h"
#include "tests/script/fake_connection.h"

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
                      OrderCase{"z", "\xE5\x90\x8D", -1},
                      // Every letter's case is ignored: À/à, Prénom/PRÉNOM, Имя/ИМЯ.
                      OrderCase{"\xC3\x80", "\xC3\xA0", 0}, OrderCase{"Prénom", "PRÉNOM", 0},
                      OrderCase{"Имя", "ИМЯ", 0}, OrderCase{"Prenom", "Prénom", -1},
                      // Trailing blanks never count; leading ones do.
                      OrderCase{"Name ", "name", 0}, OrderCase{" a", "a", -1},
                      // Bytes that are not UTF-8 stay as they are.
                      OrderCase{"\xFF", "\xC3\x80", 1}));

TEST(NameKey, FoldsEveryLetterByUnicodeSimpleCaseFolding) {
    EXPECT_EQ(nameKey("AbZ_\xC3\x80@[`"), "abz_\xC3\xA0@[`");
    EXPECT_EQ(nameKey("ΣΑΣ"), "σασ");
    EXPECT_EQ(nameKey("STRASSE"), "strasse");
    EXPECT_EQ(nameKey("Straße"), "straße"); // one letter folds to one letter
}

TEST(ObjectKey, IgnoresTrailingBlanksOnly) {
    EXPECT_EQ(objectKey("Emp  "), "emp");
    EXPECT_EQ(objectKey(" Emp"), " emp");
    EXPECT_EQ(objectKey("Emp\t"), "emp\t");
}

// A target whose collation tells letter case apart matches names exactly,
// trailing blanks still aside; the rule holds until its scope ends.
TEST(NameCaseRule, FollowsTheTargetsCollation) {
    EXPECT_EQ(nameCaseOfCollation("Chinese_PRC_CI_AS"), NameCase::Ignored);
    EXPECT_EQ(nameCaseOfCollation("SQL_Latin1_General_CP1_CI_AS"), NameCase::Ignored);
    EXPECT_EQ(nameCaseOfCollation("Latin1_General_CI_AI_KS_WS"), NameCase::IgnoredWithAccents);
    EXPECT_EQ(nameCaseOfCollation(""), NameCase::Ignored);
    EXPECT_EQ(nameCaseOfCollation("Chinese_PRC_CS_AS"), NameCase::Exact);
    EXPECT_EQ(nameCaseOfCollation("Latin1_General_BIN"), NameCase::Exact);
    EXPECT_EQ(nameCaseOfCollation("Latin1_General_BIN2"), NameCase::Exact);
    {
        const NameCaseScope exact(NameCase::Exact);
        EXPECT_NE(compareNameKeys("Emp", "emp"), 0);
        EXPECT_EQ(compareNameKeys("Emp ", "Emp"), 0);
        EXPECT_EQ(nameKey("Prénom  "), "Prénom");
        EXPECT_LT(compareNameKeys("B", "a"), 0);
    }
    EXPECT_EQ(compareNameKeys("Emp", "emp"), 0);
    EXPECT_NE(compareNameKeys("Prénom", "PRENOM"), 0);
    {
        // An accent-insensitive collation: accents do not count either.
        const NameCaseScope withoutAccents(NameCase::IgnoredWithAccents);
        EXPECT_EQ(compareNameKeys("Prénom", "PRENOM"), 0);
        EXPECT_EQ(nameKey("ÀÉÎÕÜ_Ñ"), "aeiou_n");
        EXPECT_EQ(nameKey("员工"), "员工");
        EXPECT_LT(compareNameKeys("Ab", "áC"), 0);
    }
}

TEST(SnapshotNames, KeepTheFirstOfNamesEqualByObjectKeyWithTheirRowsInStoredOrder) {
    test::FakeConnection store;
    store.answer("Select SpName From SourceSp Group by SpName",
                 Result({"SpName"}, {{"b"}, {"A"}, {"a"}, {"B "}, {"c"}, {"O'x"}}));
    store.answer("Select * From SourceSp ",
                 Result({"SpName", "SpText"},
                        {{"A", "1"}, {"q", "2"}, {"a ", "3"}, {"O'X", "4"}, {"b", "5"}}));
    const auto modules = readSnapshotModules(store, procedureKind);
    ASSERT_EQ(modules.size(), 4u);
    EXPECT_EQ(modules[0].name, "b");
    EXPECT_EQ(modules[0].rows, std::vector<std::string>{"5"});
    EXPECT_EQ(modules[1].name, "A");
    EXPECT_EQ(modules[1].rows, (std::vector<std::string>{"1", "3"}));
    EXPECT_EQ(modules[2].name, "c");
    EXPECT_TRUE(modules[2].rows.empty());
    EXPECT_EQ(modules[3].name, "O'x");
    EXPECT_EQ(modules[3].rows, std::vector<std::string>{"4"});
}

TEST(SnapshotTables, AFieldAnOlderStoreLacksReadsAsEmpty) {
    test::FakeConnection store;
    store.answer("Select * From SourceTable Order by TableName,FieldName",
                 Result({"FieldName", "FieldLength", "FieldType", "TableName", "IsNullable"},
                        {{"a", "10", "int", "T", "0"}}));
    store.answer("Select TableName From SourceTable Group by TableName",
                 Result({"TableName"}, {{"T"}}));
    const auto tables = readSnapshotTables(store);
    ASSERT_EQ(tables.size(), 1u);
    ASSERT_EQ(tables[0].columns.size(), 1u);
    const Column& column = tables[0].columns[0];
    EXPECT_EQ(column.type, "int");
    EXPECT_EQ(column.nullable, "0");
    EXPECT_EQ(column.collation, "");
    EXPECT_EQ(column.colStat, "");
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
