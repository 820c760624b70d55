#include "index_compare.h"

#include "compare_queries.h"
#include "index_merge.h"
#include "index_rows.h"
#include "row_groups.h"

#include <string>

namespace dbc {

bool compareIndexes(Connection& store, Connection& target, ScriptBuffer& buffer) {
    const Result snapshotKeys = store.open(queries::storeIndexKeys);
    const Result tableList = store.open(queries::storeIndexTableNames);
    const Result targetKeys = target.open(queries::targetIndexKeys);
    if (tableList.empty())
        return false;

    const RowGroups snapshotTables(snapshotKeys, "TableName");
    const RowGroups targetTables(targetKeys, "TableName");
    for (const std::string& table : distinctNames(tableList, "TableName")) {
        // A listed table always has snapshot rows; without them there is
        // nothing to compare and nothing of the target's may be dropped.
        const auto snapshot = readTableIndexes(snapshotKeys, snapshotTables.rowsOf(table));
        if (snapshot.empty())
            continue;
        const auto targetSide = readTableIndexes(targetKeys, targetTables.rowsOf(table));
        for (const std::string& statement : mergeTableIndexes(snapshot, targetSide))
            buffer.addStatement(statement);
    }
    return true;
}

} // namespace dbc
