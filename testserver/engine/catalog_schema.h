#pragma once

#include <string>

namespace testserver {

class SqliteDb;

// The database collation every new catalog starts with (code page 936).
inline constexpr const char* kDefaultCollation = "Chinese_PRC_CI_AS";

// The SQLite schema of a catalog file: SQL Server 2000's system tables
// sysobjects, syscolumns, systypes, sysindexes, sysindexkeys and syscomments,
// plus testserver_settings. Plain SQL, so the same text documents the schema.
const std::string& catalogSchemaSql();

// Creates the system tables in an empty database and fills systypes and the
// rows that describe the system tables themselves.
void createCatalog(SqliteDb& db, const std::string& collation = kDefaultCollation);

} // namespace testserver
