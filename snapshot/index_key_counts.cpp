#include "index_key_counts.h"

#include <string>

namespace dbc {

namespace {

std::size_t countIndexes(Connection& store, const std::string& condition) {
    return store
        .open("Select TableName, IndexName From SourceIndex Where " + condition +
              " Group by TableName, IndexName")
        .size();
}

} // namespace

std::optional<IndexKeyCounts> countIndexKeys(Connection& store) {
    const Result columns = store.open("Select * From SourceIndex Limit 0");
    if (!columns.findColumn("IsUnique") || !columns.findColumn("KeyConstraint"))
        return std::nullopt;
    IndexKeyCounts counts;
    counts.primaryKeys = countIndexes(store, "KeyConstraint = 'PK'");
    counts.uniqueConstraints = countIndexes(store, "KeyConstraint = 'UQ'");
    counts.uniqueIndexes =
        countIndexes(store, "IsUnique = '1' And Coalesce(KeyConstraint, '') = ''");
    return counts;
}

} // namespace dbc
