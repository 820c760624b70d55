#pragma once

#include "argument_parser.h"
#include "script_buffer.h"

#include <filesystem>
#include <memory>
#include <string>

namespace dbc {
class Connection;
class SnapshotStore;
} // namespace dbc

namespace dbc::cli {

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
    // A compare run over the snapshot and the target, as the window makes it.
    struct ComparedTarget {
        std::unique_ptr<SnapshotStore> store;
        std::unique_ptr<Connection> target;
        ScriptBuffer buffer;
    };
    ComparedTarget compareTarget();
    std::filesystem::path storePath() const;
    // Opens the snapshot file for reading; a missing file, or one that holds
    // no captured database, ends the command with status 3.
    std::unique_ptr<SnapshotStore> openCapturedStore();
    std::unique_ptr<Connection> connect();

    ConnectionOptions m_connection;
    std::string m_storePath;
};

} // namespace dbc::cli
