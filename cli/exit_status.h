#pragma once

namespace dbc::cli {

enum ExitStatus : int {
    Success = 0,
    StatementsRefused = 1,
    UsageError = 2,
    ConnectionOrStoreFailure = 3,
    // Standard output could not be written (a full disk, a closed pipe).
    OutputFailure = 4,
    // Stopped on request: Ctrl-C or SIGTERM during execute, Ctrl-C or Ctrl-D
    // at the password prompt.
    StoppedOnRequest = 5,
    // Execute ran nothing: the data check found stored values the script
    // would change or lose, and --allow-data-loss was not given.
    ValuesWouldBeLost = 6,
};

} // namespace dbc::cli
