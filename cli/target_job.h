#pragma once

#include "cli/exit_status.h"

#include "cli/targets_file.h"
#include "data/sql_server_connection.h"
#include "report/target_report.h"
#include "script/data_options.h"

#include <atomic>
#include <filesystem>
#include <string>

namespace dbc::cli {

// The exit status of a run stopped by Ctrl+C: the one a single execute
// stopped on request gives.
inline constexpr int interruptedStatus = StoppedOnRequest;

// What every target's job of a many-targets run shares.
struct TargetJobSettings {
    std::string odbcDriver;
    ConnectionTimeouts timeouts;
    ConnectionSecurity security;
    int statementTimeoutSeconds = 0;
    std::filesystem::path snapshot; // the run's own copy of the snapshot file
    std::filesystem::path outDir;
    bool execute = false;
    // --allow-data-loss, --fill-new-columns: what an execution may do to
    // stored rows (a target whose values would be lost runs nothing without).
    DataOptions data;
    // Set by Ctrl+C: an execution stops before its next statement.
    const std::atomic<bool>* stop = nullptr;
    bool dropExtra = false; // --drop-extra
};

// How a target's job ended.
enum class TargetState { NotRun, Compared, Executed, Unreachable, Failed, Stopped };

struct TargetOutcome {
    TargetLine target;
    TargetState state = TargetState::NotRun;
    int exitStatus = 0; // as a single run of the target would end
    std::string error;  // why it failed, one line
    report::TargetReport report;
    std::filesystem::path scriptFile; // empty when none was written
    std::filesystem::path executionFile;
};

// One target of a many-targets run, as a single compare (or execute) run
// makes it on its own connections: connects, compares with the snapshot,
// writes the script to <stem>.sql in the output folder exactly as
// `compare -o` writes it and, for an execution, checks the rows first (a
// target whose values would be lost runs nothing, status 6, unless allowed),
// runs it and writes what
// `execute` prints to <stem>.execute.txt. Every file is written whole or
// not at all. Never throws: every failure is in the outcome.
TargetOutcome runTargetJob(const TargetLine& target, const std::string& password,
                           const TargetJobSettings& settings);

} // namespace dbc::cli
