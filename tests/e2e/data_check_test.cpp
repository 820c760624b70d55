// The data check before execute, through the test server with rows: each
// case in data_check_cases/*.case builds a source and a target database with
// rows, captures the source, compares the target with it, runs the data
// check, applies the chosen options and executes unless values would be lost
// without --allow-data-loss.
//
// A case file has these parts, each opened by its marker line:
//
//   -- source          T-SQL that builds the source (batches split by GO)
//   -- target          T-SQL that builds the target, rows included
//   -- options         (optional) "allow-data-loss" and/or "fill-new-columns"
//   -- findings        what the check names: "<rows>|<statement>" a line, or
//                      "?|<statement>" for one it could not count
//   -- script          (optional) the statements that run, after the use line
//                      ("\n" in a line stands for a line break)
//   -- refused         the statements the execute sees refused, one a line
//   -- query           a query run on the target at the end (or before, when
//                      nothing ran: the rows stay as they were)
//   -- rows            its rows, fields joined by "|"
//
// Without "allow-data-loss", a case whose findings lose values runs nothing.
// Lines starting with "#" before the first part are comments.

#include "script/data_options.h"
#include "script/executor.h"
#include "tests/e2e/served_databases.h"
#include "tests/support/tsv_cases.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>

namespace dbc::e2e {
namespace {

struct DataCheckCase {
    std::string name;
    std::map<std::string, std::string> text; // source, target, query
    std::map<std::string, std::vector<std::string>> lines;
    bool hasScript = false;
};

std::ostream& operator<<(std::ostream& out, const DataCheckCase& c) {
    return out << c.name;
}

DataCheckCase readCase(const std::filesystem::path& path) {
    static const std::vector<std::string> textParts{"source", "target", "query"};
    static const std::vector<std::string> lineParts{"options", "findings", "script", "refused",
                                                    "rows"};
    DataCheckCase c;
    c.name = path.stem().string();
    std::ifstream in(path);
    if (!in)
        throw std::runtime_error("cannot read " + path.string());
    std::string part;
    for (std::string line; std::getline(in, line);) {
        if (part.empty() && line.rfind('#', 0) == 0)
            continue;
        if (line.rfind("-- ", 0) == 0) {
            const std::string name = line.substr(3);
            if (std::find(textParts.begin(), textParts.end(), name) == textParts.end() &&
                std::find(lineParts.begin(), lineParts.end(), name) == lineParts.end())
                throw std::runtime_error(path.string() + ": unknown part " + line);
            part = name;
            c.hasScript = c.hasScript || part == "script";
        } else if (std::find(textParts.begin(), textParts.end(), part) != textParts.end()) {
            c.text[part] += line + "\n";
        } else if (!line.empty() && !part.empty()) {
            for (std::size_t at; (at = line.find("\\n")) != std::string::npos;)
                line.replace(at, 2, "\n");
            c.lines[part].push_back(line);
        } else if (!line.empty()) {
            throw std::runtime_error(path.string() + ": text before the first part");
        }
    }
    return c;
}

std::vector<DataCheckCase> allCases() {
    std::vector<DataCheckCase> cases;
    for (const auto& file : caseFilesIn(DBC_DATA_CHECK_E2E_CASES_DIR, ".case"))
        cases.push_back(readCase(file));
    return cases;
}

class DataCheckCases : public ::testing::TestWithParam<DataCheckCase> {};

TEST_P(DataCheckCases, CountsTheRowsConcernedAndRunsOnlyWhatWasAllowed) {
    DataCheckCase c = GetParam();
    ServedDatabases served;
    served.load("source", c.text["source"]);
    served.load("target", c.text["target"]);
    served.start();
    const auto store = served.capture("source", "Source.mdb");
    CompareOutcome compared = compareWith(served, *store, "target");

    DataOptions options;
    for (const std::string& option : c.lines["options"]) {
        options.allowDataLoss = options.allowDataLoss || option == "allow-data-loss";
        options.fillNewColumns = options.fillNewColumns || option == "fill-new-columns";
    }
    const DataCheckResult check = checkData(*compared.target, compared.script.changes());
    const DataCheckResult standing = remainingFindings(check, compared.script.changes(), options);
    std::vector<std::string> findings;
    for (const DataCheckFinding& finding : standing.findings)
        findings.push_back((finding.rows ? std::to_string(*finding.rows) : "?") + "|" +
                           finding.statement);
    EXPECT_EQ(findings, c.lines["findings"]);

    const ScriptBuffer script = scriptWithDataOptions(compared.script, check, options);
    if (c.hasScript) {
        const auto& statements = script.statements();
        EXPECT_EQ(std::vector<std::string>(statements.begin() + 1, statements.end()),
                  c.lines["script"]);
    }
    if (!standing.valuesLost() || options.allowDataLoss) {
        const auto failures = runStatements(*compared.target, script.statements()).failures;
        std::vector<std::string> refused;
        for (const ExecutionFailure& failure : failures)
            refused.push_back(failure.statement);
        EXPECT_EQ(refused, c.lines["refused"]) << failureReport(failures);
    } else {
        EXPECT_TRUE(c.lines["refused"].empty()) << "nothing runs when values would be lost";
    }
    EXPECT_EQ(rowsOf(*compared.target, c.text["query"]), c.lines["rows"]);
}

INSTANTIATE_TEST_SUITE_P(Cases, DataCheckCases, ::testing::ValuesIn(allCases()),
                         [](const auto& param) { return param.param.name; });

} // namespace
} // namespace dbc::e2e
