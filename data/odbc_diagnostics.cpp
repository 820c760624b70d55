#include "data/odbc_diagnostics.h"

#include "data/utf16.h"

#include <algorithm>
#include <sqlext.h>

namespace dbc {

std::vector<OdbcDiagnostic> readDiagnostics(SQLSMALLINT handleType, SQLHANDLE handle) {
    std::vector<OdbcDiagnostic> records;
    if (handle == SQL_NULL_HANDLE)
        return records;
    for (SQLSMALLINT number = 1;; ++number) {
        // Wide, as every call on the connection: a narrow read would pass
        // the server's message through Latin-1.
        SQLWCHAR state[6] = {};
        SQLINTEGER native = 0;
        std::u16string text(512, u'\0');
        SQLSMALLINT length = 0;
        SQLRETURN rc = SQLGetDiagRecW(handleType, handle, number, state, &native,
                                      reinterpret_cast<SQLWCHAR*>(text.data()),
                                      static_cast<SQLSMALLINT>(text.size()), &length);
        if (rc == SQL_NO_DATA || !SQL_SUCCEEDED(rc))
            break;
        if (length >= static_cast<SQLSMALLINT>(text.size())) {
            // The message did not fit: ask again with room for all of it.
            text.assign(static_cast<std::size_t>(length) + 1, u'\0');
            rc = SQLGetDiagRecW(handleType, handle, number, state, &native,
                                reinterpret_cast<SQLWCHAR*>(text.data()),
                                static_cast<SQLSMALLINT>(text.size()), &length);
            if (!SQL_SUCCEEDED(rc))
                break;
        }
        text.resize(std::min<std::size_t>(static_cast<std::size_t>(length), text.size()));
        std::string sqlState;
        for (int i = 0; i < 5 && state[i] != 0; ++i)
            sqlState += static_cast<char>(state[i]);
        records.push_back({sqlState, static_cast<long>(native), utf16ToUtf8(text)});
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
