#pragma once

#include "session_variables.h"

namespace testserver {

class SqliteDb;

// Registers on a session's connection the SQL Server built-in functions that
// clients and scripts use around catalog queries: OBJECT_ID, OBJECTPROPERTY,
// COL_NAME, DB_NAME, USER_NAME, SUSER_SNAME, SERVERPROPERTY,
// DATABASEPROPERTYEX, GETDATE, ISNULL and LEN. `variables` must outlive the
// connection.
void registerSqlFunctions(SqliteDb& db, const SessionVariables& variables);

} // namespace testserver
