#include "snapshot/index_key_counts.h"

#include "snapshot/store_queries.h"

namespace dbc {

std::optional<IndexKeyCounts> countIndexKeys(Connection& store) {
    const Result columns = store.open(store_sql::indexKeyColumns);
    if (!columns.findColumn("IsUnique") || !columns.findColumn("KeyConstraint"))
        return std::nullopt;
    auto count = [&store](const char* condition) {
        return store.open(store_sql::indexesWhere(condition)).size();
    };
    IndexKeyCounts counts;
    counts.primaryKeys = count(store_sql::primaryKeyRows);
    counts.uniqueConstraints = count(store_sql::uniqueConstraintRows);
    counts.uniqueIndexes = count(store_sql::uniqueIndexRows);
    return counts;
}

} // namespace dbc
