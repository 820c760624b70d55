#pragma once

#include "testserver/engine/catalog_db.h"
#include "testserver/engine/session_variables.h"

namespace testserver {

// DB_ID, DB_NAME, DATABASEPROPERTY, DATABASEPROPERTYEX, SUSER_SID and
// SUSER_SNAME(sid), answered from the session's copy of master's sysdatabases
// and syslogins (schema "master").
void registerDatabaseFunctions(CatalogDb& db, const SessionVariables& variables);

} // namespace testserver
