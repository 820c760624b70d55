#pragma once

#include "cli/argument_parser.h"
#include "script/data_options.h"
#include "script/script_buffer.h"
#include "workflow/workflow.h"

#include <filesystem>
#include <memory>
#include <string>

namespace dbc {
class SnapshotStore;
} // namespace dbc

namespace dbc::cli {

// The subcommands. Each returns the process exit status and reports its
// failure on standard error as one line naming what failed.
class Commands {
public:
    Commands(ConnectionOptions connection, std::string storePath);

    int capture();
    // `reportFile`, when given, receives the difference report (report_file.h).
    int compare(const std::string& outputFile, const std::string& reportFile = {});
    // `allOrNothing`: the whole script in one transaction (--transaction).
    // Before anything runs, the data check lists on standard error the
    // statements that concern stored rows; when values would be changed or
    // lost and `data.allowDataLoss` is not set, nothing runs (status 6).
    int execute(bool dryRun, bool allOrNothing = false, DataOptions data = {});
    int execOne(const std::string& sql, const std::string& inputFile);
    int show();
    // The choices of the compare (--drop-extra).
    void setCompareOptions(const CompareOptions& options) { m_workflow.setCompareOptions(options); }

private:
    // A compare run over the snapshot and the target, as the window makes it;
    // the target stays connected for an execution.
    ScriptBuffer compareTarget();
    // The data check of a compared script on the connection compareTarget
    // left; a failure ends the command with status 3.
    DataCheckResult checkData(const ScriptBuffer& script);
    std::filesystem::path storePath() const;
    // Opens the snapshot file for reading; a missing file, or one that holds
    // no captured database, ends the command with status 3.
    std::unique_ptr<SnapshotStore> openCapturedStore();
    void connect();
    // Writes the report of the compare that made `script`; a failure ends
    // the command with status 2.
    void writeReport(const std::string& reportFile, const ScriptBuffer& script);

    ConnectionOptions m_connection;
    std::string m_storePath;
    Workflow m_workflow;
    WorkflowObserver m_quiet;
};

} // namespace dbc::cli
