#pragma once

#include "testserver/engine/catalog_db.h"
#include "testserver/engine/session_variables.h"

namespace testserver {

// DB_ID, DB_NAME, DATABASEPROPERTY and DATABASEPROPERTYEX, answered from the
// session's copy of sysdatabases (schema "master").
void registerDatabaseFunctions(CatalogDb& db, const SessionVariables& variables);

} // namespace testserver
