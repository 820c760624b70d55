#pragma once

#include "testserver/engine/engine.h"
#include "testserver/engine/session_variables.h"
#include "testserver/engine/sql_value.h"

#include <string>
#include <string_view>
#include <vector>

namespace testserver {

class CatalogDb;

// Runs a SELECT against the session's catalog. Result columns are named as
// the statement aliases them (plain columns as the catalog spells them,
// unaliased expressions get no name) and typed from the catalog's declared
// types. With `formatOnly` (SET FMTONLY ON) only the columns come back.
ResultSet runSelect(CatalogDb& db, std::string_view sql, const SessionVariables& variables,
                    bool formatOnly = false);

// Runs a SELECT for the values it gives (an assignment's, PRINT's, EXEC's),
// each marked as a number or text as SQLite computed it. `withRowIds`: user
// tables give their rows' rowids as testserver_rowid (see EmptyTableStandIns).
std::vector<std::vector<SqlValue>> selectValues(CatalogDb& db, std::string_view sql,
                                                const SessionVariables& variables,
                                                bool withRowIds = false);

// Evaluates an IF condition (e.g. EXISTS (SELECT ...), @@TRANCOUNT > 0).
bool evaluateCondition(CatalogDb& db, std::string_view condition,
                       const SessionVariables& variables);

} // namespace testserver
