#pragma once

#include "report/difference.h"
#include "script/script_buffer.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace dbc::report {

// What came of running the script on a target.
struct ExecutionFacts {
    std::size_t statements = 0;
    std::size_t refused = 0;
    // Where the run ended early (numbers from 1; 0: it did not).
    std::size_t connectionLostAt = 0;
    std::size_t stoppedBefore = 0;
};

// One target's compare as a report shows it.
struct TargetReport {
    std::string server;
    std::string database;
    // Why the target could not be compared (the connection or the compare
    // failed); the differences found before a failure are still listed.
    std::optional<std::string> error = std::nullopt;
    bool reachable = true;
    std::vector<Difference> differences = {};
    std::size_t statementsWritten = 0;
    std::optional<ExecutionFacts> execution = std::nullopt;
};

// The report's heading: what the targets were compared with.
struct ReportSource {
    std::string snapshotFile;
    std::string server;   // the captured database's server, empty if unknown
    std::string database; // the captured database, empty if unknown
    std::string capturedAt;
    std::string generatedAt; // when the report was made, UTC
};

// The report of the compare that filled `script` (its changes and
// statements), for the target named by `server` and `database`: what both
// front ends hand to the renderers after a compare.
TargetReport compareReport(std::string server, std::string database, const ScriptBuffer& script);

// How many differences of each kind a target has; objects only rebuilt
// around another change are alike on both sides and not counted.
std::size_t countOf(const TargetReport& target, DifferenceKind kind);

} // namespace dbc::report
