#pragma once

#include "testserver/engine/catalog_db.h"

#include <utility>
#include <vector>

namespace testserver {

// SQL Server never gives an identity value back: values taken by an INSERT
// that fails or by a transaction rolled back stay consumed, and the next row
// takes the value after them. The counters live in the catalog file, which a
// rollback restores; this keeps them across it. Made before the rollback, it
// reads every table's counter; keep() after it puts them back for the tables
// that still exist (a table created within the rolled-back work is gone).
class ConsumedIdentities {
public:
    explicit ConsumedIdentities(CatalogDb& db);
    void keep();

private:
    CatalogDb& m_db;
    std::vector<std::pair<long long, long long>> m_counters; // table id, value
};

} // namespace testserver
