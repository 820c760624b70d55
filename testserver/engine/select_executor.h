#pragma once

#include "engine.h"
#include "session_variables.h"

#include <string>
#include <string_view>

namespace testserver {

class SqliteDb;
class SqliteError;
class ServerError;

// Turns a SELECT as the client sent it into SQLite's dialect with as few
// changes as possible: N'..' literals become '..', [names] become "names",
// @@ variables become their values, owner prefixes (dbo.) go, and TOP n
// becomes LIMIT n. Throws ServerError for an undeclared @variable.
std::string rewriteForSqlite(std::string_view sql, const SessionVariables& variables);

// Runs a SELECT against the session's catalog. Result columns are named as
// the statement aliases them (plain columns as the catalog spells them,
// unaliased expressions get no name) and typed from the catalog's declared
// types. With `formatOnly` (SET FMTONLY ON) only the columns come back.
ResultSet runSelect(SqliteDb& db, std::string_view sql, const SessionVariables& variables,
                    bool formatOnly = false);

// Evaluates an IF condition (e.g. EXISTS (SELECT ...), @@TRANCOUNT > 0).
bool evaluateCondition(SqliteDb& db, std::string_view condition, const SessionVariables& variables);

// SQL Server's message for a statement SQLite refused.
ServerError translateSqliteError(const SqliteError& error);

} // namespace testserver
