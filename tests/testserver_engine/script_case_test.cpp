// Scripts as they are found in the wild, and statements against their
// catalogs: every fixture under tests/fixtures/scripts (UTF-8, or UTF-16 as
// Enterprise Manager saves "Unicode" scripts) loads with no statement
// refused, and loads again over itself (its guards drop first);
// the cases in cases/statements.cases run against the helpdesk fixture.

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

TEST_P(FixtureScriptTest, LoadsWithoutRefusalsAndAgainOverItself) {
    std::string script = readFile(fixturesDir() / "scripts" / GetParam());
    ScratchDir dir;
    Engine engine(dir.path(), std::nullopt);
    ASSERT_NO_THROW(loadScript(engine, "fixture", script));
    auto session = engine.login("sa", "", "fixture");
    auto countObjects = [&] {
        BatchResult result = session->executeBatch("select count(*) from sysobjects");
        return result.statements.back().resultSet->rows.at(0).at(0);
    };
    std::optional<std::string> before = countObjects();
    ASSERT_NO_THROW(engine.runScript("USE [fixture]\nGO\n" + scriptTextAsUtf8(script)));
    EXPECT_EQ(countObjects(), before);
}

INSTANTIATE_TEST_SUITE_P(Scripts, FixtureScriptTest, ::testing::ValuesIn(fixtureScripts()),
                         [](const auto& paramInfo) { return gtestName(paramInfo.param); });

class StatementCaseTest : public ::testing::TestWithParam<CaseEntry> {};

TEST_P(StatementCaseTest, AnswersAsSqlServer) {
    const CaseEntry& entry = GetParam();
    ASSERT_FALSE(entry.database) << "these cases run in helpdesk; write USE as a statement";
    EngineWithSession db(readFile(fixturesDir() / "scripts" / "helpdesk_em.sql"), "helpdesk");
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
            else
                info.push_back(std::to_string(message.number) + ": " + message.text);
        }
    EXPECT_EQ(refusal, entry.refusal) << messagesOf(last);
    EXPECT_EQ(last.failed, !entry.refusal.empty()) << messagesOf(last);
    if (entry.refusalText && !last.messages.empty()) {
        EXPECT_EQ(last.messages.front().text, *entry.refusalText);
    }
    if (!entry.refusal.empty()) {
        EXPECT_EQ(catalogSnapshot(db), before) << "a refused statement changed the catalog";
    }
    EXPECT_EQ(info, entry.infoMessages);
    std::vector<std::string> rows =
        last.resultSet ? rowsAsText(*last.resultSet) : std::vector<std::string>{};
    EXPECT_EQ(rows, entry.rows);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StatementCaseTest,
    ::testing::ValuesIn(readCaseFile(fs::path(DBCOMPARE_SOURCE_DIR) /
                                     "tests/testserver_engine/cases/statements.cases")),
    [](const auto& paramInfo) { return caseName(paramInfo.param); });

} // namespace
} // namespace testserver::test
