// Whole compare runs over columns, indexes, defaults and foreign keys that
// depend on each other, kept as data in dependency_cases/*.cases.
//
// A file holds cases one after another:
//
//   case <name>
//   <section>
//   <rows of the section, fields separated by "|">
//   ...
//   expect
//   <the statements after "use hrms", one a line, exactly; the line breaks
//    of a statement of several lines written as \n>
//
// Sections (each optional):
//   snapshot columns, target columns:
//       table | column | type | length | nullable | TypeStat | colStat
//   snapshot indexes, target indexes:
//       table | index | key column | key position | indid | unique | PK/UQ/nothing | descending
//   snapshot defaults, target defaults:
//       name | table | column | value
//   foreign keys (the target's):
//       name | table | columns | referenced table | referenced columns | state
//       (columns joined by ","; state: any of the words "delete", "update"
//       (cascades), "disabled", "notrepl" (NOT FOR REPLICATION) and
//       "untrusted", or nothing)
//   no procedures: the snapshot holds no procedure; otherwise every run
//       holds one procedure, view and trigger equal on both sides. Either
//       way the run goes on to the defaults.
//
// Every run must send each query at most once: the pass reads what it needs
// of the target in a fixed number of queries, whatever the number of columns.
#include "compare/compare_run.h"
#include "tests/compare/compare_catalogs.h"
#include "tests/support/section_cases.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace dbc {
namespace {

const SectionFormat dependencyCaseFormat{{
                                             {"snapshot columns", 7},
                                             {"target columns", 7},
                                             {"snapshot indexes", 8},
                                             {"target indexes", 8},
                                             {"snapshot defaults", 4},
                                             {"target defaults", 4},
                                             {"foreign keys", 6},
                                         },
                                         {"no procedures"}};

std::vector<SectionCase> allCases() {
    return readSectionCases(DBC_DEPENDENCY_CASES_DIR, dependencyCaseFormat);
}

std::vector<test::Col> columns(const SectionCase& c, const std::string& section) {
    std::vector<test::Col> result;
    for (const auto& f : c.rows(section))
        result.push_back({f[0], f[1], f[2], f[3], f[4], "", f[5], f[6]});
    return result;
}

std::vector<test::Df> defaults(const SectionCase& c, const std::string& section) {
    std::vector<test::Df> result;
    for (const auto& f : c.rows(section))
        result.push_back({f[0], f[1], f[2], f[3]});
    return result;
}

std::vector<std::string> firstSeenTables(const std::vector<std::vector<std::string>>& rows) {
    std::vector<std::string> tables;
    for (const auto& row : rows) {
        if (std::find(tables.begin(), tables.end(), row[0]) == tables.end())
            tables.push_back(row[0]);
    }
    return tables;
}

void answerIndexes(const SectionCase& c, test::Catalogs& catalogs) {
    Result snapshot({"TableName", "IndexName", "IndexField", "IndexFieldOrder", "Status",
                     "IsUnique", "KeyConstraint", "IsDescending"},
                    {});
    for (const auto& f : c.rows("snapshot indexes"))
        snapshot.addRow({f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7]});
    catalogs.store.answer("Select * From SourceIndex Order by TableName,IndexName,IndexFieldOrder",
                          snapshot);
    catalogs.store.answer("Select TableName From SourceIndex Group by TableName",
                          test::nameList("TableName", firstSeenTables(c.rows("snapshot indexes"))));
    Result target({"status", "IndexName", "indid", "colid", "IndexFieldOrder", "tablename",
                   "IndexField", "IsUnique", "KeyConstraint", "IsDescending"},
                  {});
    for (const auto& f : c.rows("target indexes"))
        target.addRow({f[4], f[1], f[4], "1", f[3], f[0], f[2], f[5], f[6], f[7]});
    catalogs.target.answer(test::targetIndexQuery, target);
}

void answerForeignKeys(const SectionCase& c, test::Catalogs& catalogs) {
    Result keys({"FKName", "TableName", "FieldName", "RefTableName", "RefFieldName", "KeyOrder",
                 "DeleteCascade", "UpdateCascade", "IsDisabled", "NotForReplication", "NotTrusted"},
                {});
    for (const auto& f : c.rows("foreign keys")) {
        const auto from = splitTrimmed(f[2], ',');
        const auto to = splitTrimmed(f[4], ',');
        if (from.size() != to.size())
            throw std::runtime_error(c.name + ": " + f[0] + " pairs unequal column lists");
        const auto flag = [&](const char* word) {
            return f[5].find(word) != std::string::npos ? "1" : "0";
        };
        // Key columns from the last, so the reader has to order them.
        for (std::size_t i = from.size(); i-- > 0;)
            keys.addRow({f[0], f[1], from[i], f[3], to[i], std::to_string(i + 1), flag("delete"),
                         flag("update"), flag("disabled"), flag("notrepl"), flag("untrusted")});
    }
    catalogs.target.answer(test::targetForeignKeyQuery, keys);
}

void addEqualObjects(test::Catalogs& catalogs, bool procedures) {
    struct Object {
        const test::ObjectTables* tables;
        std::string name;
        std::string text;
    };
    const Object objects[] = {
        {&test::procedureTables, "p", "create procedure p as select 1"},
        {&test::viewTables, "v", "create view v as select 1 as a"},
        {&test::triggerTables, "r", "create trigger r on T for insert as select 1"},
    };
    for (const Object& o : objects) {
        if (o.tables != &test::procedureTables || procedures)
            catalogs.setObjects(*o.tables, {{o.name, {o.text}}},
                                {{o.name, std::vector<std::string>{o.text}}});
    }
}

class DependencyCaseFiles : public ::testing::TestWithParam<SectionCase> {};

TEST_P(DependencyCaseFiles, WritesExactlyTheExpectedScript) {
    const SectionCase& c = GetParam();
    test::Catalogs catalogs;
    catalogs.setColumns(columns(c, "snapshot columns"), columns(c, "target columns"));
    answerIndexes(c, catalogs);
    catalogs.setDefaults(defaults(c, "snapshot defaults"), defaults(c, "target defaults"));
    answerForeignKeys(c, catalogs);
    addEqualObjects(catalogs, !c.flags.count("no procedures"));

    ScriptBuffer buffer;
    runCompare(catalogs.store, catalogs.target, "hrms", buffer);

    ASSERT_FALSE(buffer.statements().empty());
    EXPECT_EQ(buffer.statements().front(), "use hrms");
    std::vector<std::string> script;
    for (auto s = buffer.statements().begin() + 1; s != buffer.statements().end(); ++s) {
        std::string line;
        for (char ch : *s)
            line += ch == '\n' ? std::string("\\n") : std::string(1, ch);
        script.push_back(line);
    }
    EXPECT_EQ(script, c.expected);
    const auto& sent = catalogs.target.sent();
    EXPECT_EQ(std::set<std::string>(sent.begin(), sent.end()).size(), sent.size())
        << "a target query was sent twice";
}

INSTANTIATE_TEST_SUITE_P(Dependencies, DependencyCaseFiles, ::testing::ValuesIn(allCases()),
                         SectionCaseName());

} // namespace
} // namespace dbc
