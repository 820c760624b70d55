#pragma once

#include "data/sql_server_connection.h"

#include <string>

namespace dbc::cli {

// A compare or execute over the targets a file lists.
struct ManyTargetsRun {
    std::string targetsFile;
    std::string passwordsFile; // empty: every password from the environment
    std::string outDir;
    std::string reportFile; // empty: none; else ends in .html or .json
    std::string store;      // empty: Source.mdb beside the program
    int jobs = 0;           // 0: defaultJobs
    bool execute = false;
    bool allowDataLoss = false;
    bool fillNewColumns = false;
    ConnectionTimeouts timeouts;
    int statementTimeoutSeconds = 0;
    std::string odbcDriver;      // empty: $DBCOMPARE_ODBC_DRIVER, else FreeTDS
    ConnectionSecurity security; // every target's
    bool dropExtra = false;      // --drop-extra
};

// Targets handled at once when --jobs is not given: the work waits on the
// network, not on the processor.
inline constexpr int defaultJobs = 8;

// Runs every target side by side (runTargetJob), each against one copy of
// the snapshot taken at the start, shows "targets done k of n" on a
// terminal, prints a summary table with a row per target and writes the
// report when asked. Ctrl+C starts no further target and stops executions
// before their next statement; the targets that did not run are named.
// Returns the worst target's exit status (interruptedStatus after Ctrl+C).
int runManyTargets(const ManyTargetsRun& run);

} // namespace dbc::cli
