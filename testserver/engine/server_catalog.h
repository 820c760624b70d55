#pragma once

#include "testserver/engine/catalog_db.h"
#include "testserver/engine/database_directory.h"
#include "testserver/engine/database_file_spec.h"

#include <optional>
#include <string>
#include <vector>

namespace testserver {

// The server-level part of master: sysdatabases, sysaltfiles, syslogins and
// syslanguages, kept in DIR/testserver-master.db (not a database of its own,
// so it never shows among the catalog files). Rows of databases are kept in
// step with the catalog files: a file without a row gets one, a row without a
// file is removed. Each session holds its own connection.
class ServerCatalog {
public:
    explicit ServerCatalog(const DatabaseDirectory& directory);

    CatalogDb& db() { return m_db; }
    // Brings the database rows in step with the catalog files.
    void reconcile();
    // Records a database the session has just created; returns its dbid.
    int registerDatabase(const std::string& name, std::vector<DatabaseFileSpec> files,
                         const std::vector<DatabaseFilegroupSpec>& filegroups,
                         const std::string& collation);
    void forgetDatabase(const std::string& name);
    std::optional<int> dbidOf(const std::string& name);
    // Copies the server tables into the session connection's schema
    // "master" (see attachServerTables).
    void copyInto(CatalogDb& session);

private:
    void copyTables(CatalogDb& session);

    const DatabaseDirectory& m_directory;
    CatalogDb m_db;
};

// Attaches a private in-memory schema "master" holding the server tables
// (filled by ServerCatalog::copyInto), and the current database's sysfiles
// and sysfilegroups as views over it.
void attachServerTables(CatalogDb& session, const std::optional<int>& dbid);

// Whether a statement, given in lower case, reads server-level tables or
// functions, so that the session's copy must be refreshed first.
bool readsServerTables(std::string_view lowerCaseSql);

// The default files of a database: NAME.mdf and NAME_log.ldf in the data
// directory.
std::vector<DatabaseFileSpec> defaultFiles(const std::filesystem::path& dataDir,
                                           const std::string& name);

} // namespace testserver
