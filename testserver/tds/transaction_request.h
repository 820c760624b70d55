#pragma once

#include <cstdint>
#include <string_view>

namespace testserver::tds {

// A transaction manager request (MS-TDS 2.2.6.9): from TDS 7.2 on, the ODBC
// driver begins, commits and rolls back a manual-commit session's
// transactions with these instead of SQL text.
struct TransactionRequest {
    enum class Kind { Begin, Commit, Rollback, Unsupported };
    Kind kind = Kind::Unsupported;
    std::uint16_t requestType = 0;
    // Commit or rollback that begins the next transaction at once (the
    // driver's way of staying in manual-commit mode).
    bool beginAfter = false;
};

// Parses the request after its ALL_HEADERS; throws ProtocolError when it is
// cut short.
TransactionRequest parseTransactionRequest(std::string_view payload);

} // namespace testserver::tds
