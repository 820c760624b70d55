#pragma once

#include <string>
#include <string_view>

namespace testserver {

class CatalogDb;

// The database collation every new catalog starts with (code page 936).
inline constexpr const char* kDefaultCollation = "Chinese_PRC_CI_AS";

// The SQLite schema of a catalog file: SQL Server 2000's system tables
// sysobjects, syscolumns, systypes, sysindexes, sysindexkeys and syscomments,
// plus testserver_settings (sysconstraints, sysforeignkeys and the engine's
// own identity and descending-key tables come with ensureLaterTables). Plain SQL, so the same text
// documents the schema.
const std::string& catalogSchemaSql();

// The kind code that sysobjects.sysstat carries in its low four bits.
int sysstatOf(std::string_view xtype);

// Adds the system tables a catalog file written by an earlier version lacks.
void ensureLaterTables(CatalogDb& db);

// Creates the system tables in an empty database and fills systypes and the
// rows that describe the system tables themselves.
void createCatalog(CatalogDb& db, const std::string& collation = kDefaultCollation);

} // namespace testserver
