#pragma once

#include "data/sql_server_connection.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace dbc::cli {

// The connection options, with the window's defaults.
struct ConnectionOptions {
    std::string server = ".";
    std::string database = "hrms";
    std::string user = "Sa";
    std::string password;
    bool passwordGiven = false;
    std::string passwordFile; // --password-file: read when connecting
    // --driver: the ODBC driver; empty: $DBCOMPARE_ODBC_DRIVER, else FreeTDS.
    std::string odbcDriver;
    // --encrypt, -C (trust the server certificate), -E (integrated login).
    ConnectionSecurity security;
    ConnectionTimeouts timeouts;
    // For the statements execute and exec-one run; 0: no limit.
    int statementTimeoutSeconds = 0;
};

enum class Subcommand { Help, Version, Capture, Compare, Execute, ExecOne, Show };

// A command line read into what the subcommand needs.
struct ParsedCommand {
    Subcommand subcommand = Subcommand::Help;
    std::string helpText; // Help: what to print
    ConnectionOptions connection;
    std::string store;           // --store, empty: Source.mdb beside the program
    std::string outputFile;      // compare -o
    bool dryRun = false;         // execute --dry-run
    bool allOrNothing = false;   // execute --transaction
    bool allowDataLoss = false;  // execute --allow-data-loss
    bool fillNewColumns = false; // execute --fill-new-columns
    bool dropExtra = false;      // compare and execute --drop-extra
    std::string sql;             // exec-one's command text
    std::string inputFile;       // exec-one -i
    // Many targets (compare and execute --targets): see many_targets.h.
    std::string targetsFile;
    std::string passwordsFile;
    std::string outDir;
    int jobs = 0;           // 0: the default
    std::string reportFile; // compare --report
};

// A command line that cannot be run. The message names the option or the
// position of the argument that is wrong and never repeats an argument's
// value, which may be a password typed in the wrong place.
class CommandLineError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads the arguments after the program name.
ParsedCommand parseArguments(const std::vector<std::string>& arguments);

} // namespace dbc::cli
