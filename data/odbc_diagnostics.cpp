#include "odbc_diagnostics.h"

#include <algorithm>
#include <sqlext.h>

namespace dbc {

std::vector<OdbcDiagnostic> readDiagnostics(SQLSMALLINT handleType, SQLHANDLE handle) {
    std::vector<OdbcDiagnostic> records;
    if (handle == SQL_NULL_HANDLE)
        return records;
    for (SQLSMALLINT number = 1;; ++number) {
        SQLCHAR state[6] = {};
        SQLINTEGER native = 0;
        std::string text(512, '\0');
        SQLSMALLINT length = 0;
        SQLRETURN rc = SQLGetDiagRec(handleType, handle, number, state, &native,
                                     reinterpret_cast<SQLCHAR*>(text.data()),
                                     static_cast<SQLSMALLINT>(text.size()), &length);
        if (rc == SQL_NO_DATA || !SQL_SUCCEEDED(rc))
            break;
        if (length >= static_cast<SQLSMALLINT>(text.size())) {
            // The message did not fit: ask again with room for all of it.
            text.assign(static_cast<std::size_t>(length) + 1, '\0');
            rc = SQLGetDiagRec(handleType, handle, number, state, &native,
                               reinterpret_cast<SQLCHAR*>(text.data()),
                               static_cast<SQLSMALLINT>(text.size()), &length);
            if (!SQL_SUCCEEDED(rc))
                break;
        }
        text.resize(std::min<std::size_t>(static_cast<std::size_t>(length), text.size()));
        records.push_back(
            {reinterpret_cast<const char*>(state), static_cast<long>(native), std::move(text)});
    }
    return records;
}

std::string stripDriverPrefix(std::string_view message) {
    std::size_t pos = 0;
    while (pos < message.size() && message[pos] == '[') {
        std::size_t close = message.find(']', pos + 1);
        // "[dbo].[t]": a qualified name that begins the server's own text.
        if (close == std::string_view::npos ||
            (close + 1 < message.size() && message[close + 1] == '.'))
            break;
        pos = close + 1;
    }
    return std::string(message.substr(pos));
}

DatabaseError makeOdbcError(const std::vector<OdbcDiagnostic>& records,
                            const std::string& fallback) {
    auto isInformational = [](const OdbcDiagnostic& d) { return d.sqlState.rfind("01", 0) == 0; };
    bool anyError = false;
    for (const auto& record : records)
        anyError = anyError || !isInformational(record);

    std::string message;
    const OdbcDiagnostic* first = nullptr;
    for (const auto& record : records) {
        if (anyError && isInformational(record))
            continue;
        if (!first)
            first = &record;
        else
            message += '\n';
        message += stripDriverPrefix(record.message);
    }
    if (!first)
        return DatabaseError(fallback);
    return DatabaseError(message, first->sqlState, first->nativeError);
}

void checkOdbc(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, const char* call) {
    if (SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA)
        return;
    throw makeOdbcError(readDiagnostics(handleType, handle),
                        std::string("ODBC call ") + call + " failed");
}

} // namespace dbc
