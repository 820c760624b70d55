#include "tests/compare/compare_catalogs.h"

#include <gtest/gtest.h>

namespace dbc {
namespace {

using test::Df;

struct DefaultCase {
    std::string name;
    std::vector<Df> snapshot;
    std::vector<Df> target;
    std::vector<std::string> expected;
};

std::ostream& operator<<(std::ostream& out, const DefaultCase& c) {
    return out << c.name;
}

class DefaultCompareGolden : public ::testing::TestWithParam<DefaultCase> {};

TEST_P(DefaultCompareGolden, GeneratesExactlyTheExpectedStatements) {
    const DefaultCase& c = GetParam();
    test::Catalogs catalogs;
    catalogs.setDefaults(c.snapshot, c.target);
    ScriptBuffer buffer;
    test::compareDefaults(catalogs.store, catalogs.target, buffer);
    EXPECT_EQ(buffer.statements(), c.expected);
    EXPECT_EQ(buffer.displayLines(), c.expected);
    const std::vector<std::string> storeSent = {"Select * From SourceDF Order by DFName"};
    EXPECT_EQ(catalogs.store.sent(), storeSent);
    EXPECT_EQ(catalogs.target.sent(), std::vector<std::string>{test::targetDefaultQuery});
}

const DefaultCase defaultCases[] = {
    {"DropsFirstThenAddsEachInNameOrder",
     {{"a", "T", "x", "(1)"}, {"c", "T", "y", "(2)"}},
     {{"b", "U", "z", "(3)"}, {"d", "V", "w", "(4)"}},
     {"ALTER TABLE U Drop b", "ALTER TABLE V Drop d",
      "ALTER TABLE T WITH NOCHECK ADD CONSTRAINT a DEFAULT (1) FOR x",
      "ALTER TABLE T WITH NOCHECK ADD CONSTRAINT c DEFAULT (2) FOR y"}},
    {"SameNameOtherValueIsDroppedThenAdded",
     {{"DF_Emp_Age", "Emp", "Age", "(0)"}},
     {{"DF_Emp_Age", "Dept", "No", "(1)"}},
     {"ALTER TABLE Dept Drop DF_Emp_Age",
      "ALTER TABLE Emp WITH NOCHECK ADD CONSTRAINT DF_Emp_Age DEFAULT (0) FOR Age"}},
    {"SameNameSameValueOtherTableAndColumnGivesNothing",
     {{"DF_Emp_Age", "Emp", "Age", "(0)"}},
     {{"DF_Emp_Age", "Dept", "No", "\r\n(0) "}},
     {}},
    {"CaseOnlyNameDifferenceIsTheSameConstraint",
     {{"DF_Emp_Age", "Emp", "Age", "(0)"}},
     {{"df_emp_age", "Emp", "Age", "(0)"}},
     {}},
    {"MissingInTargetAddedWithTrimmedValue",
     {{"DF_Emp_Age", "Emp", "Age", " \r\n(0)\t\n"}},
     {},
     {"ALTER TABLE Emp WITH NOCHECK ADD CONSTRAINT DF_Emp_Age DEFAULT (0) FOR Age"}},
    {"InnerBlanksOfTheValueKept",
     {{"DF_Name", "Emp", "Name", "('a  b')"}},
     {},
     {"ALTER TABLE Emp WITH NOCHECK ADD CONSTRAINT DF_Name DEFAULT ('a  b') FOR Name"}},
    {"TargetDefaultOnTableUnknownToTheSnapshotIsDropped",
     {{"DF_Emp_Age", "Emp", "Age", "(0)"}},
     {{"DF_Emp_Age", "Emp", "Age", "(0)"}, {"DF_Old", "Dept", "No", "(1)"}},
     {"ALTER TABLE Dept Drop DF_Old"}},
    {"EmptySnapshotDropsAllInAscendingNameOrder",
     {},
     {{"DF_b", "T", "x", "(1)"}, {"DF_a", "U", "y", "(2)"}},
     {"ALTER TABLE U Drop DF_a", "ALTER TABLE T Drop DF_b"}},
    {"EmptyTargetAddsAllInAscendingNameOrder",
     {{"DF_b", "T", "x", "(1)"}, {"DF_A", "U", "y", "(2)"}},
     {},
     {"ALTER TABLE U WITH NOCHECK ADD CONSTRAINT DF_A DEFAULT (2) FOR y",
      "ALTER TABLE T WITH NOCHECK ADD CONSTRAINT DF_b DEFAULT (1) FOR x"}},
    {"BothEmpty", {}, {}, {}},
    {"UnderscoreAgainstDigitInEitherCollationOrder",
     {{"DF_T1", "T", "a", "(1)"}, {"DF_T_a", "T", "b", "(2)"}},
     {{"DF_T_a", "T", "b", "(2)"}, {"DF_T1", "T", "a", "(1)"}},
     {}},
};

INSTANTIATE_TEST_SUITE_P(Defaults, DefaultCompareGolden, ::testing::ValuesIn(defaultCases),
                         [](const auto& param) { return param.param.name; });

} // namespace
} // namespace dbc
