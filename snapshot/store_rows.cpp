#include "snapshot/snapshot_store.h"

#include "data/sqlite_connection.h"
#include "snapshot/store_queries.h"

namespace dbc {

namespace {

// The store keeps an empty collation as NULL.
std::optional<std::string> nullWhenEmpty(const std::string& text) {
    if (text.empty())
        return std::nullopt;
    return text;
}

} // namespace

void SnapshotStore::emptyTable(const std::string& table) {
    execute(store_sql::emptyTable(table));
}

void SnapshotStore::appendColumn(const Column& column) {
    appendRow("SourceTable", {{"FieldName", column.name},
                              {"FieldLength", column.length},
                              {"FieldType", column.type},
                              {"TableName", column.table},
                              {"Collation", nullWhenEmpty(column.collation)},
                              {"IsNullable", column.nullable},
                              {"TypeStat", column.typeStat},
                              {"colStat", column.colStat},
                              {"FieldScale", column.scale},
                              {"IdentSeed", column.identSeed},
                              {"IdentIncr", column.identIncr}});
}

void SnapshotStore::appendIndexKey(const Index& index, const IndexKey& key) {
    appendRow("SourceIndex", {{"TableName", index.table},
                              {"IndexName", index.name},
                              {"IndexField", key.column},
                              {"IndexFieldOrder", key.position},
                              {"Status", index.status},
                              {"IsUnique", index.unique ? "1" : "0"},
                              {"KeyConstraint", index.isPrimaryKey()      ? "PK"
                                                : index.isKeyConstraint() ? "UQ"
                                                                          : ""},
                              {"IsDescending", key.descending ? "1" : "0"}});
}

void SnapshotStore::appendModuleRow(const ObjectKind& kind, const std::string& name,
                                    const std::string& text) {
    appendRow(kind.storeTable, {{kind.nameField, name}, {kind.textField, text}});
}

void SnapshotStore::appendDefault(const DefaultConstraint& constraint) {
    appendRow("SourceDF", {{"DFName", constraint.name},
                           {"TableName", constraint.table},
                           {"FieldName", constraint.column},
                           {"DFValue", constraint.value}});
}

Result SnapshotStore::gridRows(bool ordered) {
    // Through the named connection, so a damaged file's error names it.
    return connection().open(ordered ? store_sql::gridRowsOrdered : store_sql::gridRows);
}

std::vector<StoreTableCount> SnapshotStore::counts() {
    struct Part {
        const char* table;
        std::string distinctNames;
    };
    const Part parts[] = {
        {"SourceTable", store_sql::tableNames},
        {"SourceIndex", store_sql::indexTableNames},
        {procedureKind.storeTable, store_sql::moduleNames(procedureKind)},
        {viewKind.storeTable, store_sql::moduleNames(viewKind)},
        {triggerKind.storeTable, store_sql::moduleNames(triggerKind)},
        {"SourceDF", store_sql::defaultNames},
    };
    std::vector<StoreTableCount> counts;
    for (const Part& part : parts) {
        const std::size_t names = connection().open(part.distinctNames).size();
        const std::size_t rows = connection().open(store_sql::allRows(part.table)).size();
        counts.push_back({part.table, rows, names});
    }
    return counts;
}

} // namespace dbc
