#pragma once

namespace dbc::cli {

enum ExitStatus : int {
    Success = 0,
    StatementsRefused = 1,
    UsageError = 2,
    ConnectionOrStoreFailure = 3,
};

} // namespace dbc::cli
