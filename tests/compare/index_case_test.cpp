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

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

namespace dbc {
namespace {

struct IndexCase {
    std::string name;
    bool snapshotHasKeyFacts = true;
    std::vector<std::vector<std::string>> snapshot;
    std::vector<std::vector<std::string>> target;
    std::vector<std::string> expected;
};

std::ostream& operator<<(std::ostream& out, const IndexCase& c) {
    return out << c.name;
}

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::vector<std::string> splitRow(const std::string& line, const std::string& where) {
    std::vector<std::string> fields;
    std::stringstream in(line);
    for (std::string field; std::getline(in, field, '|');)
        fields.push_back(trimmed(field));
    if (line.back() == '|')
        fields.emplace_back();
    if (fields.size() != 8)
        throw std::runtime_error(where + ": a key row has 8 fields, not " +
                                 std::to_string(fields.size()));
    return fields;
}

std::vector<IndexCase> readCaseFile(const std::filesystem::path& path) {
    std::vector<IndexCase> cases;
    std::ifstream in(path);
    enum { None, Snapshot, Target, Expect } section = None;
    int lineNumber = 0;
    for (std::string line; std::getline(in, line);) {
        ++lineNumber;
        const std::string where = path.filename().string() + ":" + std::to_string(lineNumber);
        if (line.rfind("case ", 0) == 0) {
            cases.emplace_back();
            cases.back().name = path.stem().string() + "_" + line.substr(5);
            section = None;
        } else if (trimmed(line).empty() || line.front() == '#') {
            continue;
        } else if (cases.empty()) {
            throw std::runtime_error(where + ": text before the first case");
        } else if (line == "snapshot" || line == "snapshot without key facts") {
            cases.back().snapshotHasKeyFacts = line == "snapshot";
            section = Snapshot;
        } else if (line == "target") {
            section = Target;
        } else if (line == "expect") {
            section = Expect;
        } else if (section == Expect) {
            cases.back().expected.push_back(line);
        } else if (section == Snapshot || section == Target) {
            (section == Snapshot ? cases.back().snapshot : cases.back().target)
                .push_back(splitRow(line, where));
        } else {
            throw std::runtime_error(where + ": a line outside any section");
        }
    }
    return cases;
}

std::vector<IndexCase> allCases() {
    std::vector<IndexCase> cases;
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(DBC_INDEX_CASES_DIR))
        if (entry.path().extension() == ".cases")
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    for (const auto& file : files) {
        auto more = readCaseFile(file);
        cases.insert(cases.end(), more.begin(), more.end());
    }
    return cases;
}

// SourceIndex rows, with the store's column names; a store written before key
// facts were recorded has only the first five.
Result snapshotRows(const IndexCase& c) {
    std::vector<std::string> columns = {"TableName", "IndexName", "IndexField", "IndexFieldOrder",
                                        "Status"};
    if (c.snapshotHasKeyFacts)
        columns.insert(columns.end(), {"IsUnique", "KeyConstraint", "IsDescending"});
    Result result(columns, {});
    for (const auto& f : c.snapshot) {
        Result::Row row(f.begin(), f.begin() + 5);
        if (c.snapshotHasKeyFacts)
            row.insert(row.end(), f.begin() + 5, f.end());
        result.addRow(row);
    }
    return result;
}

// Rows of the target index query, with its aliases.
Result targetRows(const IndexCase& c) {
    Result result({"status", "IndexName", "indid", "colid", "IndexFieldOrder", "tablename",
                   "IndexField", "IsUnique", "KeyConstraint", "IsDescending"},
                  {});
    for (const auto& f : c.target)
        result.addRow({f[4], f[1], f[4], "1", f[3], f[0], f[2], f[5], f[6], f[7]});
    return result;
}

class IndexCaseFiles : public ::testing::TestWithParam<IndexCase> {};

TEST_P(IndexCaseFiles, GeneratesExactlyTheExpectedStatements) {
    const IndexCase& c = GetParam();
    std::vector<std::string> tables;
    std::set<std::string> seen;
    for (const auto& row : c.snapshot) {
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
                         [](const auto& param) { return param.param.name; });

} // namespace
} // namespace dbc
