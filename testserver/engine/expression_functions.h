#pragma once

#include "testserver/engine/session_variables.h"

namespace testserver {

class CatalogDb;

// Registers the functions that scripts use in expressions: LIKE with T-SQL's
// patterns ([a-z], [^a]), tsql_plus and
// tsql_convert (what the expression rewriter turns + , CONVERT and CAST
// into), SUBSTRING, CHARINDEX, DATALENGTH, QUOTENAME, NEWID, DB_ID, DATEADD,
// DATEDIFF, DATEPART, REPLICATE, SPACE and LEFT and RIGHT (as tsql_left
// and tsql_right, since SQLite reads LEFT and RIGHT as join keywords). `variables` must outlive the
// connection.
void registerExpressionFunctions(CatalogDb& db, const SessionVariables& variables);

} // namespace testserver
