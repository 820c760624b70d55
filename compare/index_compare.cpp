#include "index_compare.h"

#include "compare_queries.h"
#include "index_cursor.h"
#include "name_key.h"
#include "row_groups.h"
#include "sql_names.h"

#include <string>

namespace dbc {

namespace {

std::string createIndexStatement(const CurrentIndex& index) {
    return std::string(index.clustered() ? "Create CLUSTERED  INDEX " : "Create INDEX ") +
           sqlName(index.name) + " On [" + bracketedNameBody(index.tableName) + "] (" +
           index.keyColumns + ") ON [PRIMARY]";
}

std::string dropIndexStatement(const std::string& tableName, const std::string& indexName) {
    return "Drop Index " + sqlName(tableName) + "." + sqlName(indexName);
}

bool equalDefinitions(const CurrentIndex& a, const CurrentIndex& b) {
    return a.keyColumns == b.keyColumns && a.clustered() == b.clustered();
}

// Merges one table's indexes. Every drop names the table as the snapshot's
// rows hold it (after the snapshot side runs out, as its last index held it).
void mergeIndexes(IndexCursor& snapshot, IndexCursor& target, ScriptBuffer& buffer) {
    const CurrentIndex& s = snapshot.current();
    const CurrentIndex& g = target.current();
    while (!snapshot.exhausted() && !target.exhausted()) {
        const int order = compareNameKeys(s.name, g.name);
        if (order == 0) {
            if (!equalDefinitions(s, g)) {
                buffer.addStatement(dropIndexStatement(s.tableName, s.name));
                buffer.addStatement(createIndexStatement(s));
            }
            snapshot.readNext();
            target.readNext();
        } else if (order < 0) {
            buffer.addStatement(createIndexStatement(s));
            snapshot.readNext();
        } else {
            buffer.addStatement(dropIndexStatement(s.tableName, g.name));
            target.readNext();
        }
    }
    for (; !target.exhausted(); target.readNext())
        buffer.addStatement(dropIndexStatement(s.tableName, g.name));
    for (; !snapshot.exhausted(); snapshot.readNext())
        buffer.addStatement(createIndexStatement(s));
}

} // namespace

void compareIndexes(Connection& store, Connection& target, ScriptBuffer& buffer) {
    const Result snapshotKeys = store.open(queries::storeIndexKeys);
    const Result tableList = store.open(queries::storeIndexTableNames);
    const Result targetKeys = target.open(queries::targetIndexKeys);
    if (tableList.empty())
        return;

    const RowGroups snapshotTables(snapshotKeys, "TableName");
    const RowGroups targetTables(targetKeys, "TableName");
    for (const std::string& table : distinctNames(tableList, "TableName")) {
        IndexCursor snapshot(snapshotKeys, snapshotTables.rowsOf(table));
        IndexCursor targetSide(targetKeys, targetTables.rowsOf(table));
        snapshot.readNext();
        targetSide.readNext();
        // A listed table always has snapshot rows; without them there is
        // nothing to compare and nothing of the target's may be dropped.
        if (snapshot.exhausted())
            continue;
        mergeIndexes(snapshot, targetSide, buffer);
    }
}

} // namespace dbc
