#pragma once

namespace testserver {

class CatalogDb;
struct SessionVariables;

// SCHEMA_ID([name]), SCHEMA_NAME([id]) (SQL Server 2005 and later) and
// OBJECT_SCHEMA_NAME(object_id [, database_id]) (2005 SP2, so 2008 and
// later here), over the schemas of schema_resolution.h. The session's
// user is dbo, whose default schema is dbo.
void registerSchemaFunctions(CatalogDb& db, const SessionVariables& variables);

} // namespace testserver
