#pragma once

#include "testserver/engine/catalog_db.h"

#include <string>
#include <vector>

namespace testserver {

// User tables exist as catalog rows, their rows in RowStore's tables under
// their ids, so a statement that names a user table is prepared against a
// stand-in of the connection's own temp schema, created when SQLite reports
// the table missing and dropped when this object goes, so no stand-in
// outlives the statement or reaches the catalog file: a view giving the
// table's rows under its column names, or, for a table that never held a
// row, an empty table with its columns and declared types (`IF EXISTS
// (SELECT * FROM dbo.T)` in a table designer's change script). Views of the
// catalog are not stood in for (their definitions are not compiled), so
// reading one stays refused.
class EmptyTableStandIns {
public:
    // `withRowIds`: the stand-ins give each row's rowid as testserver_rowid,
    // by which UPDATE and DELETE find the rows they change.
    explicit EmptyTableStandIns(CatalogDb& db, bool withRowIds = false)
        : m_db(db), m_withRowIds(withRowIds) {}
    ~EmptyTableStandIns();
    EmptyTableStandIns(const EmptyTableStandIns&) = delete;
    EmptyTableStandIns& operator=(const EmptyTableStandIns&) = delete;

    // Prepares `sql`, standing in for each user table SQLite finds missing.
    CatalogStatement prepare(const std::string& sql);

private:
    // True when `error` names a user table of the catalog, now stood in for.
    bool standIn(const CatalogDbError& error);

    CatalogDb& m_db;
    bool m_withRowIds = false;
    std::vector<std::string> m_created;
    std::vector<std::string> m_views;
};

} // namespace testserver
