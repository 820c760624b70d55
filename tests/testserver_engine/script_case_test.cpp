// Scripts as they are found in the wild, and statements against their
// catalogs: every fixture under tests/fixtures/scripts (UTF-8, or UTF-16 as
// Enterprise Manager saves "Unicode" scripts) loads with no statement
// refused, and loads again over itself (its guards drop first);
// the cases in cases/statements.cases, cases/variables.cases,
// cases/cursors.cases, cases/temporary_tables.cases, cases/server.cases,
// cases/server_versions.cases, cases/schemas.cases and cases/rows.cases run
// against the helpdesk fixture.

#include "tests/testserver_engine/case_file.h"
#include "tests/testserver_engine/ddl_test_support.h"

#include "testserver/engine/script_splitter.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace testserver::test {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> fixtureScripts() {
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(fixturesDir() / "scripts"))
        if (entry.path().extension() == ".sql")
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string gtestName(std::string name) {
    for (char& c : name)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            c = '_';
    return name;
}

class FixtureScriptTest : public ::testing::TestWithParam<std::string> {};

// The database holding the script's objects: the one it created itself when
// it manages its own database (USE master ... CREATE DATABASE), else the
// one it was loaded into.
std::string loadedDatabase(const fs::path& dataDir) {
    std::vector<std::string> created;
    for (const fs::directory_entry& entry : fs::directory_iterator(dataDir))
        if (entry.path().extension() == ".sqlite" && entry.path().stem() != "fixture")
            created.push_back(entry.path().stem().string());
    return created.size() == 1 ? created.front() : "fixture";
}

TEST_P(FixtureScriptTest, LoadsWithoutRefusalsAndAgainOverItself) {
    std::string script = readFile(fixturesDir() / "scripts" / GetParam());
    ScratchDir dir;
    Engine engine(dir.path(), std::nullopt);
    ASSERT_NO_THROW(loadScript(engine, "fixture", script));
    std::string database = loadedDatabase(dir.path());
    // A fresh session each time: a script that drops its database cannot
    // while a session uses it.
    auto countObjects = [&] {
        auto session = engine.login("sa", "", database);
        BatchResult result = session->executeBatch("select count(*) from sysobjects");
        return result.statements.back().resultSet->rows.at(0).at(0);
    };
    std::optional<std::string> before = countObjects();
    ASSERT_NO_THROW(engine.runScript("USE [fixture]\nGO\n" + scriptTextAsUtf8(script)));
    EXPECT_EQ(countObjects(), before);
    EXPECT_EQ(loadedDatabase(dir.path()), database);
}

INSTANTIATE_TEST_SUITE_P(Scripts, FixtureScriptTest, ::testing::ValuesIn(fixtureScripts()),
                         [](const auto& paramInfo) { return gtestName(paramInfo.param); });

std::string trimmedRight(std::string text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.pop_back();
    return text;
}

class StatementCaseTest : public ::testing::TestWithParam<CaseEntry> {};

TEST_P(StatementCaseTest, AnswersAsSqlServer) {
    const CaseEntry& entry = GetParam();
    ASSERT_FALSE(entry.database) << "these cases run in helpdesk; write USE as a statement";
    EngineWithSession db(readFile(fixturesDir() / "scripts" / "helpdesk_em.sql"), "helpdesk",
                         entry.version);
    for (std::size_t i = 0; i + 1 < entry.batches.size(); ++i)
        db.exec(entry.batches[i]);
    std::vector<std::string> before = catalogSnapshot(db);
    BatchResult result = db.session->executeBatch(entry.batches.back());
    const StatementOutcome& last = result.statements.back();

    std::vector<int> refusal;
    std::vector<std::string> info;
    for (const StatementOutcome& outcome : result.statements)
        for (const ServerMessage& message : outcome.messages) {
            if (message.severity > 10)
                refusal.push_back(message.number);
            else // case files hold no trailing blanks
                info.push_back(trimmedRight(std::to_string(message.number) + ": " + message.text));
        }
    EXPECT_EQ(refusal, entry.refusal) << messagesOf(last);
    EXPECT_EQ(last.failed, !entry.refusal.empty() && !entry.refusalBeforeLast) << messagesOf(last);
    if (entry.refusalText && !last.messages.empty()) {
        EXPECT_EQ(last.messages.front().text, *entry.refusalText);
    }
    if (!entry.refusal.empty() && !entry.refusalBeforeLast) {
        EXPECT_EQ(catalogSnapshot(db), before) << "a refused statement changed the catalog";
    }
    EXPECT_EQ(info, entry.infoMessages);
    std::vector<std::string> rows =
        last.resultSet ? rowsAsText(*last.resultSet) : std::vector<std::string>{};
    EXPECT_EQ(rows, entry.rows);
}

// The cases of one file under cases/.
std::vector<CaseEntry> casesIn(const char* file) {
    return readCaseFile(fs::path(DBCOMPARE_SOURCE_DIR) / "tests/testserver_engine/cases" / file);
}

std::string caseTestName(const ::testing::TestParamInfo<CaseEntry>& paramInfo) {
    return caseName(paramInfo.param);
}

INSTANTIATE_TEST_SUITE_P(Cases, StatementCaseTest, ::testing::ValuesIn(casesIn("statements.cases")),
                         caseTestName);
INSTANTIATE_TEST_SUITE_P(Variables, StatementCaseTest,
                         ::testing::ValuesIn(casesIn("variables.cases")), caseTestName);
INSTANTIATE_TEST_SUITE_P(Cursors, StatementCaseTest, ::testing::ValuesIn(casesIn("cursors.cases")),
                         caseTestName);
INSTANTIATE_TEST_SUITE_P(TemporaryTables, StatementCaseTest,
                         ::testing::ValuesIn(casesIn("temporary_tables.cases")), caseTestName);
// Databases, master's server tables, logins, users and roles.
INSTANTIATE_TEST_SUITE_P(ServerCases, StatementCaseTest,
                         ::testing::ValuesIn(casesIn("server.cases")), caseTestName);
// The release answered (--version) and the sys catalog views of 2005 and later.
INSTANTIATE_TEST_SUITE_P(ServerVersions, StatementCaseTest,
                         ::testing::ValuesIn(casesIn("server_versions.cases")), caseTestName);
// The types and syntax of 2005 and later, and the refusals before them.
INSTANTIATE_TEST_SUITE_P(LaterTypes, StatementCaseTest,
                         ::testing::ValuesIn(casesIn("later_types.cases")), caseTestName);
// Schemas (2005 and later) and names resolved within them.
INSTANTIATE_TEST_SUITE_P(Schemas, StatementCaseTest, ::testing::ValuesIn(casesIn("schemas.cases")),
                         caseTestName);
// Rows of user tables: INSERT, UPDATE, DELETE, constraints, transactions and
// DDL over rows.
INSTANTIATE_TEST_SUITE_P(Rows, StatementCaseTest, ::testing::ValuesIn(casesIn("rows.cases")),
                         caseTestName);

} // namespace
} // namespace testserver::test
