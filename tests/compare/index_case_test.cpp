// The index category's golden cases, kept as data in index_cases/*.cases.
//
// A file holds cases one after another, each in these lines:
//
//   case <name>
//   snapshot    (or "snapshot without key facts": a store written before
//               uniqueness, key constraints and key directions were recorded)
//   <one key row a line, fields split by "|": table, index, key column,
//    key position, indid, unique 1/0, PK, UQ or nothing, descending 1/0>
//   target
//   <key rows as above>
//   expect
//   <one statement a line, exactly; none when the compare adds nothing>
//
// Blank lines and lines starting with "#" are skipped. The
// snapshot's table list is its distinct table names in first-seen order.
#include "tests/compare/compare_catalogs.h"
#include "tests/support/section_cases.h"

#include <gtest/gtest.h>

#include <set>

namespace dbc {
namespace {

const SectionFormat indexCaseFormat{
    {{"snapshot", 8}, {"snapshot without key facts", 8}, {"target", 8}}, {}};

std::vector<SectionCase> allCases() {
    return readSectionCases(DBC_INDEX_CASES_DIR, indexCaseFormat);
}

// A store written before key facts were recorded.
bool snapshotHasKeyFacts(const SectionCase& c) {
    return !c.has("snapshot without key facts");
}

const std::vector<std::vector<std::string>>& snapshotKeys(const SectionCase& c) {
    return c.rows(snapshotHasKeyFacts(c) ? "snapshot" : "snapshot without key facts");
}

// SourceIndex rows, with the store's column names; a store written before key
// facts were recorded has only the first five.
Result snapshotRows(const SectionCase& c) {
    std::vector<std::string> columns = {"TableName", "IndexName", "IndexField", "IndexFieldOrder",
                                        "Status"};
    if (snapshotHasKeyFacts(c))
        columns.insert(columns.end(), {"IsUnique", "KeyConstraint", "IsDescending"});
    Result result(columns, {});
    for (const auto& f : snapshotKeys(c)) {
        Result::Row row(f.begin(), f.begin() + 5);
        if (snapshotHasKeyFacts(c))
            row.insert(row.end(), f.begin() + 5, f.end());
        result.addRow(row);
    }
    return result;
}

// Rows of the target index query, with its aliases.
Result targetRows(const SectionCase& c) {
    Result result({"status", "IndexName", "indid", "colid", "IndexFieldOrder", "tablename",
                   "IndexField", "IsUnique", "KeyConstraint", "IsDescending"},
                  {});
    for (const auto& f : c.rows("target"))
        result.addRow({f[4], f[1], f[4], "1", f[3], f[0], f[2], f[5], f[6], f[7]});
    return result;
}

class IndexCaseFiles : public ::testing::TestWithParam<SectionCase> {};

TEST_P(IndexCaseFiles, GeneratesExactlyTheExpectedStatements) {
    const SectionCase& c = GetParam();
    std::vector<std::string> tables;
    std::set<std::string> seen;
    for (const auto& row : snapshotKeys(c)) {
        if (seen.insert(row[0]).second)
            tables.push_back(row[0]);
    }
    test::FakeConnection store;
    test::FakeConnection server;
    store.answer("Select * From SourceIndex Order by TableName,IndexName,IndexFieldOrder",
                 snapshotRows(c));
    store.answer("Select TableName From SourceIndex Group by TableName",
                 test::nameList("TableName", tables));
    server.answer(test::targetIndexQuery, targetRows(c));
    ScriptBuffer buffer;
    EXPECT_EQ(test::compareIndexes(store, server, buffer), !tables.empty());
    EXPECT_EQ(buffer.statements(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Indexes, IndexCaseFiles, ::testing::ValuesIn(allCases()),
                         SectionCaseName());

} // namespace
} // namespace dbc
