#pragma once

#include "testserver/engine/session_variables.h"

#include <string>
#include <string_view>

namespace testserver {

class CatalogDbError;
class ServerError;

// Turns a SELECT as the client sent it into SQLite's dialect with as few
// changes as possible: N'..' literals become '..', [names] become "names",
// @@ variables become their values, owner prefixes (dbo.) go, and TOP n
// becomes LIMIT n. Throws ServerError for an undeclared @variable.
std::string rewriteForSqlite(std::string_view sql, const SessionVariables& variables);

// A string literal for SQLite: the text in single quotes, quotes doubled.
std::string sqliteString(std::string_view value);

// SQL Server's message for a statement SQLite refused.
ServerError translateSqliteError(const CatalogDbError& error);

} // namespace testserver
