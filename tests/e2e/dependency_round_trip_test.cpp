// Columns and keys that other objects depend on, changed through the test
// server in one execute: each case in dependency_cases/*.case builds a source
// and a target database, captures the source, compares the target with it,
// executes the script, and compares again.
//
// A case file has four parts, each opened by its marker line:
//
//   -- source          T-SQL that builds the source (batches split by GO)
//   -- target          T-SQL that builds the target
//   -- source version  (optional) the SQL Server release the source's server
//   -- target version  answers as ("2019"), one line; 2000 when not given
//   -- earlier store   (optional, no lines) the snapshot is made to look as an
//                      earlier version wrote it: no FieldScale or ComputedText
//                      column, no SourceFK, SourceCK, SourceFN or SourceType table
//   -- drop extra      (optional, no lines) both compares drop what the target
//                      has and the snapshot lacks (--drop-extra)
//   -- first script    (optional) the first compare's script as displayed,
//                      after its use line ("Go" and comment lines included)
//   -- refused         the statements the execute may see refused, one a line
//                      (the first line of a statement of several lines)
//   -- second compare  what the second compare writes after its use line (the
//                      first line of each statement)
//   -- query           (optional) a catalog query run on the target at the end
//   -- rows            its rows, fields joined by "|"
//
// Empty "refused" and "second compare" parts mean: everything succeeded and
// the target is in line with the source. The query shows what a compare does
// not: the foreign keys the execute put back.

#include "script/executor.h"
#include "tests/e2e/served_databases.h"
#include "tests/support/tsv_cases.h"

#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <sstream>

namespace dbc::e2e {
namespace {

struct RoundTripCase {
    std::string name;
    std::string source;
    std::string target;
    bool earlierStore = false;
    std::string sourceVersion;
    std::string targetVersion;
    bool dropExtra = false;
    std::optional<std::vector<std::string>> firstScript;
    std::vector<std::string> refused;
    std::vector<std::string> second;
    std::string query;
    std::vector<std::string> rows;
};

std::ostream& operator<<(std::ostream& out, const RoundTripCase& c) {
    return out << c.name;
}

RoundTripCase readCase(const std::filesystem::path& path) {
    RoundTripCase c;
    c.name = path.stem().string();
    std::ifstream in(path);
    if (!in)
        throw std::runtime_error("cannot read " + path.string());
    std::string part;
    for (std::string line; std::getline(in, line);) {
        if (line == "-- source" || line == "-- target" || line == "-- refused" ||
            line == "-- second compare" || line == "-- query" || line == "-- rows" ||
            line == "-- first script" || line == "-- earlier store" ||
            line == "-- source version" || line == "-- target version" || line == "-- drop extra") {
            part = line;
            c.earlierStore = c.earlierStore || part == "-- earlier store";
            c.dropExtra = c.dropExtra || part == "-- drop extra";
            if (part == "-- first script")
                c.firstScript.emplace();
        } else if (!line.empty() && part == "-- first script") {
            c.firstScript->push_back(line);
        } else if (!line.empty() && part == "-- source version") {
            c.sourceVersion = line;
        } else if (!line.empty() && part == "-- target version") {
            c.targetVersion = line;
        } else if (part == "-- source") {
            c.source += line + "\n";
        } else if (part == "-- target") {
            c.target += line + "\n";
        } else if (!line.empty() && part == "-- refused") {
            c.refused.push_back(line);
        } else if (!line.empty() && part == "-- second compare") {
            c.second.push_back(line);
        } else if (!line.empty() && part == "-- query") {
            c.query += line;
        } else if (!line.empty() && part == "-- rows") {
            c.rows.push_back(line);
        } else if (!line.empty()) {
            throw std::runtime_error(path.string() + ": text before the first part");
        }
    }
    return c;
}

std::vector<RoundTripCase> allCases() {
    std::vector<RoundTripCase> cases;
    for (const auto& file : caseFilesIn(DBC_DEPENDENCY_E2E_CASES_DIR, ".case"))
        cases.push_back(readCase(file));
    return cases;
}

class DependencyRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(DependencyRoundTrip, OneExecuteBringsTheTargetInLine) {
    const RoundTripCase& c = GetParam();
    // One server answers as one release: a source of another has its own.
    ServedDatabases served(c.targetVersion);
    std::optional<ServedDatabases> otherRelease;
    if (c.sourceVersion != c.targetVersion)
        otherRelease.emplace(c.sourceVersion);
    ServedDatabases& sourceServer = otherRelease ? *otherRelease : served;
    sourceServer.load("source", c.source);
    served.load("target", c.target);
    sourceServer.start();
    if (otherRelease)
        served.start();
    const auto store = sourceServer.capture("source", "Source.mdb");
    if (c.earlierStore) {
        // As a version before scales, foreign keys, CHECK constraints,
        // functions, computed definitions and alias types were kept wrote it.
        store->connection().execute("ALTER TABLE SourceTable DROP COLUMN FieldScale");
        store->connection().execute("ALTER TABLE SourceTable DROP COLUMN ComputedText");
        store->connection().execute("DROP TABLE IF EXISTS SourceFK");
        store->connection().execute("DROP TABLE IF EXISTS SourceCK");
        store->connection().execute("DROP TABLE IF EXISTS SourceFN");
        store->connection().execute("DROP TABLE IF EXISTS SourceType");
    }

    const CompareOptions options{c.dropExtra};
    CompareOutcome first = compareWith(served, *store, "target", options);
    ASSERT_GT(first.script.statements().size(), 1u) << "the first compare found nothing to do";
    if (c.firstScript) {
        const auto& lines = first.script.displayLines();
        EXPECT_EQ(std::vector<std::string>(lines.begin() + 1, lines.end()), *c.firstScript);
    }
    const auto failures = executeScript(*first.target, first.script);
    std::vector<std::string> refused;
    for (const ExecutionFailure& failure : failures)
        refused.push_back(failure.statement.substr(0, failure.statement.find('\n')));
    EXPECT_EQ(refused, c.refused) << failureReport(failures);

    const CompareOutcome second = compareWith(served, *store, "target", options);
    std::vector<std::string> rest;
    for (auto s = second.script.statements().begin() + 1; s != second.script.statements().end();
         ++s)
        rest.push_back(s->substr(0, s->find('\n')));
    EXPECT_EQ(rest, c.second);
    if (!c.query.empty()) {
        EXPECT_EQ(rowsOf(*second.target, c.query), c.rows);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, DependencyRoundTrip, ::testing::ValuesIn(allCases()),
                         [](const auto& param) { return param.param.name; });

// Names and module texts, in the same form: what a name or text difference
// must not cost (a column's data, an object under its own name).
std::vector<RoundTripCase> nameAndTextCases() {
    std::vector<RoundTripCase> cases;
    for (const auto& file : caseFilesIn(DBC_NAME_TEXT_E2E_CASES_DIR, ".case"))
        cases.push_back(readCase(file));
    return cases;
}

INSTANTIATE_TEST_SUITE_P(NamesAndTexts, DependencyRoundTrip,
                         ::testing::ValuesIn(nameAndTextCases()),
                         [](const auto& param) { return param.param.name; });

} // namespace
} // namespace dbc::e2e
