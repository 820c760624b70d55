#pragma once

#include "data/database_error.h"

#include <sql.h>
#include <string>
#include <string_view>
#include <vector>

namespace dbc {

// One diagnostic record of an ODBC handle.
struct OdbcDiagnostic {
    std::string sqlState;
    long nativeError = 0;
    std::string message;
};

// Every diagnostic record the driver holds for `handle`.
std::vector<OdbcDiagnostic> readDiagnostics(SQLSMALLINT handleType, SQLHANDLE handle);

// The message without the "[vendor][component]" prefixes that drivers and the
// driver manager put before the server's text. A bracketed name followed by a
// full stop ("[dbo].[t] ...") is part of the text and stays.
std::string stripDriverPrefix(std::string_view message);

// The error the records describe: the error records (SQLSTATE class other than
// "01") in the driver's order, each stripped of its prefixes, joined with a
// line break; SQLSTATE and native error of the first of them. Informational
// records are left out when an error record exists. `fallback` is the message
// when the driver left no record at all.
DatabaseError makeOdbcError(const std::vector<OdbcDiagnostic>& records,
                            const std::string& fallback);

// Throws the error of `handle` when `rc` reports failure.
void checkOdbc(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, const char* call);

} // namespace dbc
