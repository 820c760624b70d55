#pragma once

#include "testserver/engine/catalog_db.h"

#include <string>
#include <vector>

namespace testserver {

// The test server keeps no table data, so a user table holds no rows: a
// SELECT that reads one (`IF EXISTS (SELECT * FROM dbo.T)` in a table
// designer's change script) gets the empty table it is. User tables exist only
// as catalog rows, so a SELECT that names one is prepared against a stand-in:
// an empty table of the connection's own temp schema with the table's columns
// and declared types, created when SQLite reports the table missing and
// dropped when this object goes, so no stand-in outlives the statement or
// reaches the catalog file. Views are not stood in for (their definitions are
// not compiled), so reading one stays refused.
class EmptyTableStandIns {
public:
    explicit EmptyTableStandIns(CatalogDb& db) : m_db(db) {}
    ~EmptyTableStandIns();
    EmptyTableStandIns(const EmptyTableStandIns&) = delete;
    EmptyTableStandIns& operator=(const EmptyTableStandIns&) = delete;

    // Prepares `sql`, standing in for each user table SQLite finds missing.
    CatalogStatement prepare(const std::string& sql);

private:
    // True when `error` names a user table of the catalog, now stood in for.
    bool standIn(const CatalogDbError& error);

    CatalogDb& m_db;
    std::vector<std::string> m_created;
};

} // namespace testserver
