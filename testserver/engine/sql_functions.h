#pragma once

#include "testserver/engine/session_variables.h"

namespace testserver {

class CatalogDb;

// Registers on a session's connection the SQL Server built-in functions that
// clients and scripts use around catalog queries: OBJECT_ID, OBJECTPROPERTY,
// COL_NAME, DB_NAME, USER_NAME, SUSER_SNAME, SERVERPROPERTY,
// DATABASEPROPERTYEX, GETDATE, ISNULL and LEN. `variables` must outlive the
// connection.
void registerSqlFunctions(CatalogDb& db, const SessionVariables& variables);

} // namespace testserver
