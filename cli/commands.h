#pragma once

#include "script_buffer.h"
#include "workflow.h"

#include <memory>
#include <string>

namespace dbc {
class SnapshotStore;
} // namespace dbc

namespace dbc::cli {

// The connection options, with the window's defaults.
struct ConnectionOptions {
    std::string server = ".";
    std::string database = "hrms";
    std::string user = "Sa";
    std::string password;
    bool passwordGiven = false;
};

// The subcommands. Each returns the process exit status and reports its
// failure on standard error as one line naming what failed.
class Commands {
public:
    Commands(ConnectionOptions connection, std::string storePath);

    int capture();
    int compare(const std::string& outputFile);
    int execute(bool dryRun);
    int execOne(const std::string& sql, const std::string& inputFile);
    int show();

private:
    // A compare run over the snapshot and the target, as the window makes it;
    // the target stays connected for an execution.
    ScriptBuffer compareTarget();
    // Opens the snapshot file; only a capture may create a missing one.
    std::unique_ptr<SnapshotStore> openStore(bool createIfMissing = false);
    void connect();

    ConnectionOptions m_connection;
    std::string m_storePath;
    Workflow m_workflow;
    WorkflowObserver m_quiet;
};

} // namespace dbc::cli
