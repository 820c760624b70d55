#pragma once

#include "tests/support/file_text.h"
#include "tests/support/scratch_dir.h"
#include "testserver/engine/engine.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace testserver::test {

using dbc::test::fixturesDir;
using dbc::test::readFile;
using dbc::test::ScratchDir;

// Builds NAME.sqlite from a script as the server's --load does.
void loadScript(Engine& engine, const std::string& name, const std::string& script);

// An engine over a scratch directory with a session on database `name`,
// built from `script`.
struct EngineWithSession {
    ScratchDir dir;
    std::unique_ptr<Engine> engine;
    std::unique_ptr<Session> session;

    explicit EngineWithSession(const std::string& script, const std::string& name = "hrms",
                               int version = 2000);

    // Runs a batch that must produce one result set and succeed.
    ResultSet query(const std::string& sql);
    // Runs a batch and returns the last statement's outcome.
    StatementOutcome run(const std::string& sql);
    // Runs a batch whose statements must all succeed.
    void exec(const std::string& sql);
};

// Rows as text, NULL written as "NULL", fields joined by '|'.
std::vector<std::string> rowsAsText(const ResultSet& result);
// The values of one named column (case-insensitive), NULL as "NULL".
std::vector<std::string> column(const ResultSet& result, const std::string& name);
// The messages of an outcome as "number: text" lines.
std::string messagesOf(const StatementOutcome& outcome);

// The three catalog queries of the compare tool, as it sends them.
extern const char* const kColumnQuery;
extern const char* const kIndexQuery;
extern const char* const kDefaultQuery;
extern const char* const kCaptureColumnQuery;
extern const char* const kCaptureIndexQuery;
extern const char* const kCaptureDefaultQuery;

} // namespace testserver::test
