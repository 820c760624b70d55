#include "script/statement_text.h"
#include "tests/compare/compare_catalogs.h"

#include <gtest/gtest.h>

#include <set>

namespace dbc {
namespace {

using test::Col;

// The distinct table names of the snapshot rows, in their first order.
Result tableNamesOf(const std::vector<Col>& snapshot) {
    std::vector<std::string> names;
    std::set<std::string> seen;
    for (const Col& c : snapshot) {
        if (seen.insert(c.table).second)
            names.push_back(c.table);
    }
    return test::nameList("TableName", names);
}

struct TableCase {
    std::string name;
    std::vector<Col> snapshot;
    std::vector<Col> target;
    std::vector<std::string> expected;
};

std::ostream& operator<<(std::ostream& out, const TableCase& c) {
    return out << c.name;
}

class TableCompareGolden : public ::testing::TestWithParam<TableCase> {};

TEST_P(TableCompareGolden, GeneratesExactlyTheExpectedStatements) {
    const TableCase& c = GetParam();
    ScriptBuffer buffer;
    test::compareTables(test::snapshotColumns(c.snapshot), tableNamesOf(c.snapshot),
                        test::targetColumns(c.target), buffer);
    EXPECT_EQ(buffer.statements(), c.expected);
    EXPECT_EQ(buffer.displayLines(), c.expected);
}

const Col idIdentity{"T", "id", "int", "10", "0", "", "0", "1"};
const Col nameX{"T", "name", "varchar", "50", "1", "X", "2", "0"};

Col intCol(std::string table, std::string name) {
    Col c;
    c.table = std::move(table);
    c.name = std::move(name);
    c.type = "int";
    c.length = "10";
    return c;
}

Col with(Col c, std::string Col::*field, std::string value) {
    c.*field = std::move(value);
    return c;
}

const TableCase tableCases[] = {
    {"CreateTableColumnsSortedByName",
     {nameX, idIdentity},
     {},
     {"Create Table [dbo].[T] ([id] [int] IDENTITY (1, 1)  Not NULL,[name] [varchar](50)  "
      "COLLATE X NULL) ON [PRIMARY]"}},
    {"DropAddAddTrailingDrop",
     {intCol("T", "b"), intCol("T", "c")},
     {intCol("t", "a"), intCol("t", "z")},
     {"Alter Table T Drop Column a ", "Alter Table T Add b int NULL",
      "Alter Table T Add c int NULL", "Alter Table t Drop  Column z "}},
    {"AddDropBetweenAdd",
     {intCol("T", "a"), intCol("T", "c")},
     {intCol("T", "b")},
     {"Alter Table T Add a int NULL", "Alter Table T Drop Column b ",
      "Alter Table T Add c int NULL"}},
    {"ColumnNameCaseOnlyIsTheSameColumn", {nameX}, {with(nameX, &Col::name, "NAME")}, {}},
    {"TableNameCaseOnlyIsTheSameTable", {nameX}, {with(nameX, &Col::table, "t")}, {}},
    {"TableNameTrailingBlanksIgnored", {nameX}, {with(nameX, &Col::table, "T  ")}, {}},
    {"TypeNameCaseDiffers",
     {intCol("T", "id")},
     {with(intCol("T", "id"), &Col::type, "INT")},
     {"Alter Table T Alter COLUMN id int NULL"}},
    {"LengthOnlyDiffers",
     {nameX},
     {with(nameX, &Col::length, "40")},
     {"Alter Table T Alter COLUMN name varchar(50)  COLLATE X NULL"}},
    {"NullabilityDiffers",
     {nameX},
     {with(nameX, &Col::nullable, "0")},
     {"Alter Table T Alter COLUMN name varchar(50)  COLLATE X NULL"}},
    {"CollationDiffers",
     {nameX},
     {with(nameX, &Col::collation, "Chinese_PRC_CI_AS")},
     {"Alter Table T Alter COLUMN name varchar(50)  COLLATE X NULL"}},
    {"IdentityFlagDiffersAlterCarriesIdentity",
     {idIdentity},
     {with(idIdentity, &Col::colStat, "0")},
     {"Alter Table T Alter COLUMN id int IDENTITY (1, 1)  Not NULL"}},
    {"TypeStatAloneIsNotCompared", {nameX}, {with(nameX, &Col::typeStat, "0")}, {}},
    {"TableOnlyInTargetIsLeftAlone", {nameX}, {nameX, intCol("Other", "a")}, {}},
    {"TrailingAddsInAscendingOrder",
     {intCol("T", "d"), intCol("T", "a"), intCol("T", "c")},
     {intCol("T", "a")},
     {"Alter Table T Add c int NULL", "Alter Table T Add d int NULL"}},
    {"UnderscoreAgainstDigitInCollationOrder",
     {intCol("T", "a_1"), intCol("T", "a1")},
     {intCol("T", "a_1"), intCol("T", "a1")},
     {}},
    {"ChineseNameSortsAfterAsciiByUnsignedBytes",
     {intCol("T", "z")},
     {intCol("T", "\xE5\x90\x8D")},
     {"Alter Table T Add z int NULL", "Alter Table T Drop  Column \xE5\x90\x8D "}},
    {"ChineseNamesMatchedInAnyRowOrder",
     {intCol("T", "\xE5\x90\x8D"), intCol("T", "z")},
     {intCol("T", "z"), intCol("T", "\xE5\x90\x8D")},
     {}},
    {"PrefixSortsFirst",
     {intCol("T", "abc")},
     {intCol("T", "ab")},
     {"Alter Table T Drop Column ab ", "Alter Table T Add abc int NULL"}},
    {"ApostropheInTableNameComparesLikeAnyOther",
     {intCol("O'Brien", "a"), intCol("O'Brien", "b")},
     {intCol("O'Brien", "a")},
     {"Alter Table [O'Brien] Add b int NULL"}},
    {"TablesInListOrderMissingOneCreated",
     {intCol("B", "x"), intCol("A", "y")},
     {intCol("A", "y"), intCol("A", "z")},
     {"Create Table [dbo].[B] ([x] [int] NULL) ON [PRIMARY]", "Alter Table A Drop  Column z "}},
    {"NameListRepeatingATableInOtherCaseVisitsItOnce",
     {intCol("T", "a"), intCol("t", "b")},
     {},
     {"Create Table [dbo].[T] ([a] [int] NULL,[b] [int] NULL) ON [PRIMARY]"}},
};

INSTANTIATE_TEST_SUITE_P(Tables, TableCompareGolden, ::testing::ValuesIn(tableCases),
                         [](const auto& param) { return param.param.name; });

struct SuffixCase {
    test::Col column;
    std::string expected;
};

class ColumnSuffixGolden : public ::testing::TestWithParam<SuffixCase> {};

TEST_P(ColumnSuffixGolden, BuildsThePiecesInOrder) {
    const Col& c = GetParam().column;
    const Column column{c.table,    c.name,    c.type,  c.length, c.nullable, c.collation,
                        c.typeStat, c.colStat, c.scale, true,     c.seed,     c.increment};
    EXPECT_EQ(columnAttributes(column), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Suffixes, ColumnSuffixGolden,
    ::testing::Values(SuffixCase{idIdentity, " IDENTITY (1, 1)  Not NULL"},
                      SuffixCase{nameX, "(50)  COLLATE X NULL"},
                      SuffixCase{{"T", "n", "int", "10", "", "", "", ""}, " NULL"},
                      SuffixCase{{"T", "n", "char", "8", "0", "", "2", "1"},
                                 " IDENTITY (1, 1) (8)  Not NULL"},
                      SuffixCase{{"T", "n", "int", "10", "2", "", "1", "2"}, " NULL"}));

TEST(ColumnDefinition, DropFormsDifferInBlanksAndTableSource) {
    EXPECT_EQ(dropColumnStatement({"Emp", "Old", false}), "Alter Table Emp Drop Column Old ");
    EXPECT_EQ(dropColumnStatement({"emp", "Old", true}), "Alter Table emp Drop  Column Old ");
}

} // namespace
} // namespace dbc
