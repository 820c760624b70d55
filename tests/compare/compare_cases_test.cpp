// The compare run's golden cases as data: each file of tests/compare/cases
// holds the snapshot's and the target's catalog rows and the script the run
// must give, statement by statement, with its "Go" lines.
//
// A case file is a list of sections, each a "[name]" line followed by rows
// whose fields are separated by "|"; "\r", "\n", "\t", "\|" and "\\" stand for
// those characters, "\0" for the NUL that parts a schema from an object's
// name ("sales\0Orders", data/object_name.h); blank lines and lines starting
// with "#" are ignored.
//   [database]                      the database name ("db" when absent)
//   [snapshot columns] [target columns]
//       table|column|type|length|nullable|collation|typeStat|colStat[|scale
//       [|identity seed|identity increment[|rowguidcol|identity not for
//       replication]]] (from the seed on: snapshot side only; flags "1")
//   [earlier store layout]          (no rows) the snapshot store predates
//       FieldScale, IdentSeed and IdentIncr
//   [snapshot indexes] [target indexes]     table|index|column|position|status
//   [snapshot procedures] (views, triggers) name|text row, one line a row
//   [target procedures] (views, triggers)   name|text row; a name alone: the
//       object exists and its text cannot be read
//   [snapshot functions] [target functions]   as procedures; without a
//       [snapshot functions] section the store predates SourceFN
//   [snapshot defaults] [target defaults]   name|table|column|value
//   [target collation]              the target database's collation
//                                   (Chinese_PRC_CI_AS when absent)
//   [source release]                the ProductVersion the snapshot was
//                                   captured from (SQL Server 2000 when
//                                   absent); the target is SQL Server 2000
//   [snapshot foreign keys] [target foreign keys]   one row per key column:
//       name|table|column|referenced table|referenced column[|delete cascade
//       |update cascade|not for replication|disabled] (flags "1" or "0");
//       without a [snapshot foreign keys] section the store predates SourceFK
//   [snapshot checks] [target checks]   name|table|column|definition[|not for
//       replication|disabled]; without [snapshot checks] the store predates
//       SourceCK
//   [snapshot computed]             table|column|definition: the snapshot's
//       computed columns (each also a row of [snapshot columns]); without the
//       section the store predates computed definitions
//   [target computed]               table|column|definition
//   [snapshot alias types] [target alias types]   name|base type|length|scale
//       |nullable ("1" or "0"); without [snapshot alias types] the store
//       predates SourceType
//   [failing query]                 store|SQL text|message, or
//       target|query|message where query is columns, computed, defaults,
//       foreign keys, checks, alias types, indexes, or "exists TYPE NAME" (the
//       existence query of an object, TYPE as sysObjects has it): that query
//       fails with the message
//   [error]                         the message the run then fails with; the
//       [script] is what it shows of the changes found before
//   [script]                        "Go" or one statement per line; a line
//       beginning "-- " is a comment line of the display, never a statement

#include "compare/compare_run.h"
#include "tests/compare/compare_catalogs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>

namespace dbc {
namespace {

namespace fs = std::filesystem;

using Rows = std::vector<std::vector<std::string>>;

std::vector<std::string> splitFields(const std::string& line) {
    std::vector<std::string> fields(1);
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '|') {
            fields.emplace_back();
        } else if (c == '\\' && i + 1 < line.size()) {
            const char next = line[++i];
            fields.back() += next == 'r'   ? '\r'
                             : next == 'n' ? '\n'
                             : next == 't' ? '\t'
                             : next == '0' ? '\0'
                                           : next;
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

// The sections a case may hold, with the field counts a row of each may have.
const std::map<std::string, std::vector<std::size_t>>& sectionWidths() {
    static const std::map<std::string, std::vector<std::size_t>> widths = {
        {"database", {1}},
        {"snapshot columns", {8, 9, 11, 13}},
        {"target columns", {8, 9}},
        {"earlier store layout", {}},
        {"snapshot indexes", {5}},
        {"target indexes", {5}},
        {"snapshot procedures", {2}},
        {"snapshot views", {2}},
        {"snapshot triggers", {2}},
        {"target procedures", {1, 2}},
        {"target views", {1, 2}},
        {"target triggers", {1, 2}},
        {"snapshot functions", {2}},
        {"target functions", {1, 2}},
        {"snapshot defaults", {4}},
        {"target defaults", {4}},
        {"target collation", {1}},
        {"source release", {1}},
        {"snapshot foreign keys", {5, 6, 7, 8, 9}},
        {"target foreign keys", {5, 6, 7, 8, 9}},
        {"snapshot checks", {4, 5, 6}},
        {"target checks", {4, 5, 6}},
        {"snapshot computed", {3}},
        {"target computed", {3}},
        {"snapshot alias types", {5}},
        {"target alias types", {5}},
        {"failing query", {3}},
        {"error", {1}},
        {"script", {1}},
    };
    return widths;
}

// Throws, naming the file and line, on a section the format does not know, a
// section given twice, a row before the first section or a row of another
// field count than its section allows.
std::map<std::string, Rows> readSections(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + file.string());
    std::map<std::string, Rows> sections;
    Rows* current = nullptr;
    const std::vector<std::size_t>* widths = nullptr;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        const std::string where = file.string() + ":" + std::to_string(number) + ": ";
        if (line.empty() || line.front() == '#')
            continue;
        if (line.front() == '[' && line.back() == ']') {
            const std::string name = line.substr(1, line.size() - 2);
            const auto known = sectionWidths().find(name);
            if (known == sectionWidths().end())
                throw std::runtime_error(where + "no such section: " + line);
            if (sections.count(name))
                throw std::runtime_error(where + "the section is given twice: " + line);
            current = &sections[name];
            widths = &known->second;
        } else if (!current) {
            throw std::runtime_error(where + "a row before the first section");
        } else {
            auto fields = splitFields(line);
            if (std::find(widths->begin(), widths->end(), fields.size()) == widths->end())
                throw std::runtime_error(where + "a row of " + std::to_string(fields.size()) +
                                         " fields, which its section does not take: " + line);
            current->push_back(std::move(fields));
        }
    }
    return sections;
}

// Field `i` of a row, the empty text when the row is shorter.
std::string fieldOf(const std::vector<std::string>& row, std::size_t i) {
    return i < row.size() ? row[i] : std::string();
}

std::vector<test::Col> columnsOf(const Rows& rows) {
    std::vector<test::Col> columns;
    for (const auto& r : rows) {
        columns.push_back({fieldOf(r, 0), fieldOf(r, 1), fieldOf(r, 2), fieldOf(r, 3),
                           fieldOf(r, 4), fieldOf(r, 5), fieldOf(r, 6), fieldOf(r, 7),
                           fieldOf(r, 8), fieldOf(r, 9), fieldOf(r, 10), fieldOf(r, 11),
                           fieldOf(r, 12)});
    }
    return columns;
}

std::vector<test::Key> keysOf(const Rows& rows) {
    std::vector<test::Key> keys;
    for (const auto& r : rows)
        keys.push_back({fieldOf(r, 0), fieldOf(r, 1), fieldOf(r, 2), fieldOf(r, 3), fieldOf(r, 4)});
    return keys;
}

std::vector<test::Df> defaultsOf(const Rows& rows) {
    std::vector<test::Df> defaults;
    for (const auto& r : rows)
        defaults.push_back({fieldOf(r, 0), fieldOf(r, 1), fieldOf(r, 2), fieldOf(r, 3)});
    return defaults;
}

std::vector<test::StoredObject> storedObjectsOf(const Rows& rows) {
    std::vector<test::StoredObject> objects;
    for (const auto& r : rows) {
        auto same = std::find_if(objects.begin(), objects.end(),
                                 [&](const auto& o) { return o.name == fieldOf(r, 0); });
        if (same == objects.end())
            same = objects.insert(objects.end(), {fieldOf(r, 0), {}});
        same->rows.push_back(fieldOf(r, 1));
    }
    return objects;
}

std::vector<test::TargetObject> targetObjectsOf(const Rows& rows) {
    std::vector<test::TargetObject> objects;
    for (const auto& r : rows) {
        auto same = std::find_if(objects.begin(), objects.end(),
                                 [&](const auto& o) { return o.name == fieldOf(r, 0); });
        if (same == objects.end()) {
            same = objects.insert(objects.end(), test::TargetObject{fieldOf(r, 0), std::nullopt});
            if (r.size() > 1)
                same->text.emplace();
        }
        if (r.size() > 1)
            same->text->push_back(r[1]);
    }
    return objects;
}

// The target query a [failing query] row names.
std::string targetQueryNamed(const std::string& name) {
    static const std::map<std::string, const std::string*> queries = {
        {"columns", &test::targetColumnQuery},   {"computed", &test::computedColumnQuery},
        {"defaults", &test::targetDefaultQuery}, {"foreign keys", &test::targetForeignKeyQuery},
        {"checks", &test::checkQuery},           {"alias types", &test::aliasTypeQuery},
        {"indexes", &test::targetIndexQuery}};
    if (name.starts_with("exists ")) {
        const std::size_t blank = name.find(' ', 7);
        return test::existenceQuery(name.substr(7, blank - 7), name.substr(blank + 1));
    }
    const auto found = queries.find(name);
    if (found == queries.end())
        throw std::runtime_error("no target query named " + name);
    return *found->second;
}

std::vector<fs::path> caseFiles() {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(DBCOMPARE_COMPARE_CASES)) {
        if (entry.path().extension() == ".case")
            files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

class CompareCase : public ::testing::TestWithParam<fs::path> {};

TEST_P(CompareCase, GivesTheRecordedScript) {
    auto sections = readSections(GetParam());
    ASSERT_TRUE(sections.count("script")) << "the case has no [script] section";

    test::Catalogs catalogs;
    std::vector<test::Col> snapshotColumns = columnsOf(sections["snapshot columns"]);
    const bool computedLayout = sections.contains("snapshot computed");
    for (const auto& row : sections["snapshot computed"]) {
        const auto column =
            std::find_if(snapshotColumns.begin(), snapshotColumns.end(),
                         [&](const test::Col& c) { return c.table == row[0] && c.name == row[1]; });
        ASSERT_NE(column, snapshotColumns.end()) << "no [snapshot columns] row for " << row[1];
        column->computedText = row[2];
    }
    catalogs.setColumns(snapshotColumns, columnsOf(sections["target columns"]),
                        sections.contains("earlier store layout"), computedLayout);
    catalogs.setComputed(sections["target computed"]);
    std::optional<Rows> snapshotTypes;
    if (sections.contains("snapshot alias types"))
        snapshotTypes = sections["snapshot alias types"];
    catalogs.setAliasTypes(snapshotTypes, sections["target alias types"]);
    catalogs.setIndexes(keysOf(sections["snapshot indexes"]), keysOf(sections["target indexes"]));
    const std::pair<const char*, const test::ObjectTables*> kinds[] = {
        {"procedures", &test::procedureTables},
        {"views", &test::viewTables},
        {"triggers", &test::triggerTables}};
    for (const auto& [plural, tables] : kinds) {
        catalogs.setObjects(*tables, storedObjectsOf(sections[std::string("snapshot ") + plural]),
                            targetObjectsOf(sections[std::string("target ") + plural]));
    }
    std::optional<std::vector<test::StoredObject>> snapshotFunctions;
    if (sections.contains("snapshot functions"))
        snapshotFunctions = storedObjectsOf(sections["snapshot functions"]);
    catalogs.setFunctions(snapshotFunctions, targetObjectsOf(sections["target functions"]));
    catalogs.setDefaults(defaultsOf(sections["snapshot defaults"]),
                         defaultsOf(sections["target defaults"]));
    if (const Rows& collation = sections["target collation"]; !collation.empty())
        catalogs.setTargetCollation(fieldOf(collation.front(), 0));
    std::optional<Rows> snapshotKeys;
    if (sections.contains("snapshot foreign keys"))
        snapshotKeys = sections["snapshot foreign keys"];
    catalogs.setForeignKeys(snapshotKeys, sections["target foreign keys"]);
    std::optional<Rows> snapshotChecks;
    if (sections.contains("snapshot checks"))
        snapshotChecks = sections["snapshot checks"];
    catalogs.setChecks(snapshotChecks, sections["target checks"]);
    for (const auto& row : sections["failing query"]) {
        if (row[0] == "store")
            catalogs.store.fail(row[1], row[2]);
        else
            catalogs.target.fail(targetQueryNamed(row[1]), row[2]);
    }
    const Rows& database = sections["database"];
    const std::string databaseName = database.empty() ? "db" : fieldOf(database.front(), 0);

    std::vector<std::string> statements;
    std::vector<std::string> display;
    for (const auto& row : sections["script"]) {
        const std::string line = fieldOf(row, 0);
        if (line == ScriptBuffer::separator || line.starts_with("-- ")) {
            display.push_back(line);
            continue;
        }
        statements.push_back(line);
        for (auto& piece : splitLines(line))
            display.push_back(std::move(piece));
    }

    // The release the snapshot was captured from (its ProductVersion); the
    // target answers as SQL Server 2000.
    const Rows& release = sections["source release"];
    const ServerVersion source =
        serverVersionOf(release.empty() ? std::string() : fieldOf(release.front(), 0));

    ScriptBuffer buffer;
    std::string error;
    try {
        runCompare(catalogs.store, catalogs.target, databaseName, buffer, {}, source);
    } catch (const std::exception& failure) {
        error = failure.what();
    }
    const Rows& expectedError = sections["error"];
    EXPECT_EQ(error, expectedError.empty() ? std::string() : fieldOf(expectedError.front(), 0));
    EXPECT_EQ(buffer.statements(), statements);
    EXPECT_EQ(buffer.displayLines(), display);
}

INSTANTIATE_TEST_SUITE_P(Cases, CompareCase, ::testing::ValuesIn(caseFiles()),
                         [](const auto& testCase) { return testCase.param.stem().string(); });

} // namespace
} // namespace dbc
