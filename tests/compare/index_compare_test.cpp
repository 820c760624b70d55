#include "tests/compare/compare_catalogs.h"

#include <gtest/gtest.h>

#include <set>

namespace dbc {
namespace {

using test::Key;

struct IndexCase {
    std::string name;
    std::vector<Key> snapshot;
    std::vector<Key> target;
    std::vector<std::string> expected;
};

std::ostream& operator<<(std::ostream& out, const IndexCase& c) {
    return out << c.name;
}

// Runs the index category over the given rows; the snapshot's table list is
// its distinct table names in first-seen order.
std::vector<std::string> compareIndexRows(const std::vector<Key>& snapshot,
                                          const std::vector<Key>& target,
                                          test::FakeConnection& store,
                                          test::FakeConnection& server) {
    std::vector<std::string> tables;
    std::set<std::string> seen;
    for (const Key& k : snapshot) {
        if (seen.insert(k.table).second)
            tables.push_back(k.table);
    }
    store.answer("Select * From SourceIndex Order by TableName,IndexName,IndexFieldOrder",
                 test::snapshotIndexKeys(snapshot));
    store.answer("Select TableName From SourceIndex Group by TableName",
                 test::nameList("TableName", tables));
    server.answer(test::targetIndexQuery, test::targetIndexKeys(target));
    ScriptBuffer buffer;
    EXPECT_EQ(test::compareIndexes(store, server, buffer), !tables.empty());
    EXPECT_EQ(buffer.displayLines(), buffer.statements());
    return buffer.statements();
}

class IndexCompareGolden : public ::testing::TestWithParam<IndexCase> {};

TEST_P(IndexCompareGolden, GeneratesExactlyTheExpectedStatements) {
    test::FakeConnection store;
    test::FakeConnection server;
    const IndexCase& c = GetParam();
    EXPECT_EQ(compareIndexRows(c.snapshot, c.target, store, server), c.expected);
}

const IndexCase indexCases[] = {
    {"WorkedExample",
     {{"Emp", "IX_A", "Id", "1", "1"},
      {"Emp", "IX_B", "DeptNo", "1", "2"},
      {"Emp", "IX_D", "Name", "1", "3"}},
     {{"Emp", "ix_a", "Id", "1", "1"},
      {"Emp", "IX_C", "Phone", "1", "2"},
      {"Emp", "IX_D", "Name", "1", "2"},
      {"Emp", "IX_D", "DeptNo", "2", "2"}},
     {"Create INDEX IX_B On [Emp] ([DeptNo]) ON [PRIMARY]", "Drop Index Emp.IX_C",
      "Drop Index Emp.IX_D", "Create INDEX IX_D On [Emp] ([Name]) ON [PRIMARY]"}},
    {"AgreeingIndexesGiveNothing",
     {{"Emp", "PK_Emp", "Id", "1", "1"},
      {"Emp", "IX_Dept", "DeptNo", "1", "2"},
      {"Emp", "IX_Dept", "EmpNo", "2", "2"}},
     {{"EMP", "ix_dept", "DeptNo", "1", "4"},
      {"EMP", "ix_dept", "EmpNo", "2", "4"},
      {"EMP", "pk_emp", "Id", "1", "1"}},
     {}},
    {"CaseOnlyNameDropsUnderTheSnapshotName",
     {{"Emp", "IX_A", "Id", "1", "2"}},
     {{"Emp", "ix_a", "No", "1", "2"}},
     {"Drop Index Emp.IX_A", "Create INDEX IX_A On [Emp] ([Id]) ON [PRIMARY]"}},
    {"Status2Against3IsEqual",
     {{"Emp", "IX", "Id", "1", "2"}},
     {{"Emp", "IX", "Id", "1", "3"}},
     {}},
    {"SnapshotClusteredTargetNot",
     {{"Emp", "IX", "Id", "1", "1"}},
     {{"Emp", "IX", "Id", "1", "2"}},
     {"Drop Index Emp.IX", "Create CLUSTERED  INDEX IX On [Emp] ([Id]) ON [PRIMARY]"}},
    {"TargetClusteredSnapshotNot",
     {{"Emp", "IX", "Id", "1", "2"}},
     {{"Emp", "IX", "Id", "1", "1"}},
     {"Drop Index Emp.IX", "Create INDEX IX On [Emp] ([Id]) ON [PRIMARY]"}},
    {"KeyOrderDiffers",
     {{"Emp", "IX", "a", "1", "2"}, {"Emp", "IX", "b", "2", "2"}},
     {{"Emp", "IX", "b", "1", "2"}, {"Emp", "IX", "a", "2", "2"}},
     {"Drop Index Emp.IX", "Create INDEX IX On [Emp] ([a],[b]) ON [PRIMARY]"}},
    // Key columns are matched as the target compares names: the same column.
    {"KeyNameDiffersInCaseAndTrailingBlanksOnly",
     {{"Emp", "IX", "DeptNo", "1", "2"}},
     {{"Emp", "IX", "deptno ", "1", "2"}},
     {}},
    {"TableMissingInTargetGetsOnlyCreatesInNameOrder",
     {{"New", "IX_B", "b", "1", "2"},
      {"New", "IX_A", "x", "1", "1"},
      {"New", "IX_A", "y", "2", "1"},
      {"New", "IX_A", "z", "3", "1"}},
     {{"Old", "IX_A", "x", "1", "1"}},
     {"Create CLUSTERED  INDEX IX_A On [New] ([x],[y],[z]) ON [PRIMARY]",
      "Create INDEX IX_B On [New] ([b]) ON [PRIMARY]"}},
    {"TargetOnlyTablesAreLeftAlone",
     {{"Emp", "IX", "Id", "1", "2"}},
     {{"Emp", "IX", "Id", "1", "2"}, {"Dept", "IX_Dept", "No", "1", "2"}},
     {}},
    {"SurplusAfterLastDroppedUnderTheSnapshotTableName",
     {{"Emp", "IX_A", "Id", "1", "2"}},
     {{"emp", "IX_A", "Id", "1", "2"}, {"emp", "IX_Z", "No", "1", "2"}},
     {"Drop Index Emp.IX_Z"}},
    {"SurplusBeforeFirstDropped",
     {{"Emp", "IX_B", "Id", "1", "2"}},
     {{"Emp", "IX_A", "No", "1", "2"}, {"Emp", "IX_B", "Id", "1", "2"}},
     {"Drop Index Emp.IX_A"}},
    {"UnderscoreAgainstDigitInEitherCollationOrder",
     {{"Emp", "IX1", "a", "1", "2"}, {"Emp", "IX_A", "b", "1", "2"}},
     {{"Emp", "IX_A", "b", "1", "2"}, {"Emp", "IX1", "a", "1", "2"}},
     {}},
    {"KeyPositionsOrderAsNumbers",
     {{"Emp", "IX", "c", "10", "2"}, {"Emp", "IX", "a", "1", "2"}, {"Emp", "IX", "b", "2", "2"}},
     {{"Emp", "IX", "a", "1", "2"}, {"Emp", "IX", "b", "2", "2"}},
     {"Drop Index Emp.IX", "Create INDEX IX On [Emp] ([a],[b],[c]) ON [PRIMARY]"}},
    {"SnapshotTableNameWithTrailingBlanksMatches",
     {{"Emp  ", "IX", "Id", "1", "2"}},
     {{"Emp", "IX", "No", "1", "2"}},
     {"Drop Index [Emp  ].IX", "Create INDEX IX On [Emp  ] ([Id]) ON [PRIMARY]"}},
    {"ApostropheInTableName",
     {{"O'Brien", "IX", "Id", "1", "2"}},
     {{"O'Brien", "IX", "Id", "1", "2"}, {"O'Brien", "IX2", "Id", "1", "3"}},
     {"Drop Index [O'Brien].IX2"}},
    {"TablesInListOrder",
     {{"B", "IX_B", "b", "1", "2"}, {"A", "IX_A", "a", "1", "2"}},
     {},
     {"Create INDEX IX_B On [B] ([b]) ON [PRIMARY]",
      "Create INDEX IX_A On [A] ([a]) ON [PRIMARY]"}},
};

INSTANTIATE_TEST_SUITE_P(Indexes, IndexCompareGolden, ::testing::ValuesIn(indexCases),
                         [](const auto& param) { return param.param.name; });

TEST(IndexCompare, NoIndexRowsEndsTheRunAfterItsQueries) {
    test::FakeConnection store;
    test::FakeConnection server;
    EXPECT_TRUE(compareIndexRows({}, {{"Emp", "IX", "Id", "1", "2"}}, store, server).empty());
    const std::vector<std::string> storeSent = {
        "Select * From SourceIndex Order by TableName,IndexName,IndexFieldOrder",
        "Select TableName From SourceIndex Group by TableName"};
    EXPECT_EQ(store.sent(), storeSent);
    EXPECT_EQ(server.sent(), std::vector<std::string>{test::targetIndexQuery});
}

} // namespace
} // namespace dbc
