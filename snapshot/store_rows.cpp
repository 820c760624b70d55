#include "snapshot/snapshot_store.h"

#include "data/object_name.h"
#include "data/sqlite_connection.h"
#include "snapshot/store_queries.h"
#include "snapshot/store_schema.h"

namespace dbc {

namespace {

// The store keeps an empty collation as NULL.
std::optional<std::string> nullWhenEmpty(const std::string& text) {
    if (text.empty())
        return std::nullopt;
    return text;
}

// A model name's two store fields: the bare name, and its schema (NULL for
// dbo).
std::string bare(const std::string& name) {
    return std::string(bareName(name));
}

std::optional<std::string> schemaField(const std::string& name) {
    return nullWhenEmpty(std::string(schemaOf(name)));
}

// A part's distinct names, told apart by schema where the store keeps
// schemas: "Select X From T Group by X" becomes
// "Select X, SchemaName From T Group by X, SchemaName".
std::string namesBySchema(const std::string& distinctNames) {
    const std::size_t from = distinctNames.find(" From ");
    const std::size_t groupBy = distinctNames.find(" Group by ");
    if (from == std::string::npos || groupBy == std::string::npos)
        return distinctNames;
    return distinctNames.substr(0, from) + ", SchemaName" +
           distinctNames.substr(from, groupBy - from) + distinctNames.substr(groupBy) +
           ", SchemaName";
}

} // namespace

void SnapshotStore::emptyTable(const std::string& table) {
    execute(store_sql::emptyTable(table));
}

void SnapshotStore::appendColumn(const Column& column) {
    appendRow("SourceTable", {{"FieldName", column.name},
                              {"FieldLength", column.length},
                              {"FieldType", column.type},
                              {"TableName", bare(column.table)},
                              {"Collation", nullWhenEmpty(column.collation)},
                              {"IsNullable", column.nullable},
                              {"TypeStat", column.typeStat},
                              {"colStat", column.colStat},
                              {"FieldScale", column.scale},
                              {"IdentSeed", column.identSeed},
                              {"IdentIncr", column.identIncr},
                              {"RowGuidCol", column.rowGuidCol ? "1" : "0"},
                              {"IdentNotForRepl", column.identityNotForReplication ? "1" : "0"},
                              {"ComputedText", nullWhenEmpty(column.computedDefinition)},
                              {"SchemaName", schemaField(column.table)}});
}

namespace {

// One SourceIndex row: a key column (`included` false) or an included
// column of `index`. IsIncluded is unset for a SQL Server 2000 source, which
// has no included columns or filters.
std::vector<SnapshotStore::Field> indexRow(const Index& index, const std::string& column,
                                           const std::string& position, bool descending,
                                           bool included) {
    std::optional<std::string> includedFlag;
    if (index.carriesLaterFacts)
        includedFlag = included ? "1" : "0";
    return {{"TableName", bare(index.table)},
            {"IndexName", index.name},
            {"IndexField", column},
            {"IndexFieldOrder", position},
            {"Status", index.status},
            {"IsUnique", index.unique ? "1" : "0"},
            {"KeyConstraint", index.isPrimaryKey()      ? "PK"
                              : index.isKeyConstraint() ? "UQ"
                                                        : ""},
            {"IsDescending", descending ? "1" : "0"},
            {"IsIncluded", includedFlag},
            {"IndexFilter", nullWhenEmpty(index.filter)},
            {"SchemaName", schemaField(index.table)}};
}

} // namespace

void SnapshotStore::appendIndexKey(const Index& index, const IndexKey& key) {
    appendRow("SourceIndex", indexRow(index, key.column, key.position, key.descending, false));
}

void SnapshotStore::appendIncludedColumn(const Index& index, const std::string& column,
                                         std::size_t position) {
    appendRow("SourceIndex", indexRow(index, column, std::to_string(position), false, true));
}

void SnapshotStore::appendModuleRow(const ObjectKind& kind, const std::string& name,
                                    const std::string& text) {
    appendRow(
        kind.storeTable,
        {{kind.nameField, bare(name)}, {kind.textField, text}, {"SchemaName", schemaField(name)}});
}

void SnapshotStore::appendDefault(const DefaultConstraint& constraint) {
    appendRow("SourceDF", {{"DFName", constraint.name},
                           {"TableName", bare(constraint.table)},
                           {"FieldName", constraint.column},
                           {"DFValue", constraint.value},
                           {"SchemaName", schemaField(constraint.table)}});
}

void SnapshotStore::appendForeignKey(const ForeignKey& key) {
    auto flag = [](bool set) { return std::string(set ? "1" : "0"); };
    for (std::size_t i = 0; i < key.columns.size(); ++i) {
        appendRow(store_sql::foreignKeyTable,
                  {{"FKName", key.name},
                   {"TableName", bare(key.table)},
                   {"FieldName", key.columns[i]},
                   {"RefTableName", bare(key.referencedTable)},
                   {"RefFieldName",
                    i < key.referencedColumns.size() ? key.referencedColumns[i] : std::string()},
                   {"KeyOrder", std::to_string(i + 1)},
                   {"DeleteCascade", flag(key.deleteCascade)},
                   {"UpdateCascade", flag(key.updateCascade)},
                   {"NotForReplication", flag(key.notForReplication)},
                   {"Disabled", flag(key.disabled)},
                   {"SchemaName", schemaField(key.table)},
                   {"RefSchemaName", schemaField(key.referencedTable)}});
    }
}

void SnapshotStore::appendCheck(const CheckConstraint& check) {
    appendRow(store_sql::checkTable, {{"CKName", check.name},
                                      {"TableName", bare(check.table)},
                                      {"FieldName", check.column},
                                      {"CKText", check.definition},
                                      {"NotForReplication", check.notForReplication ? "1" : "0"},
                                      {"Disabled", check.disabled ? "1" : "0"},
                                      {"SchemaName", schemaField(check.table)}});
}

void SnapshotStore::appendAliasType(const AliasType& type) {
    appendRow(store_sql::aliasTypeTable, {{"TypeName", type.name},
                                          {"BaseType", type.baseType},
                                          {"FieldLength", type.length},
                                          {"FieldScale", type.scale},
                                          {"IsNullable", type.nullable ? "1" : "0"}});
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
        {store_sql::foreignKeyTable, store_sql::foreignKeyNames},
        {store_sql::checkTable, store_sql::checkNames},
        {functionKind.storeTable, store_sql::moduleNames(functionKind)},
        {store_sql::aliasTypeTable, store_sql::aliasTypeNames},
    };
    std::vector<StoreTableCount> counts;
    for (const Part& part : parts) {
        // A store written before an optional table was added has no count
        // for it.
        const StoreTable* table = findStoreTable(part.table);
        if (table && table->optional &&
            connection().open(store_sql::tableExists(part.table)).empty())
            continue;
        const bool bySchema = connection()
                                  .open("Select * From " + std::string(part.table) + " Limit 0")
                                  .findColumn("SchemaName")
                                  .has_value();
        const std::size_t names =
            connection()
                .open(bySchema ? namesBySchema(part.distinctNames) : part.distinctNames)
                .size();
        const std::size_t rows = connection().open(store_sql::allRows(part.table)).size();
        counts.push_back({part.table, rows, names});
    }
    return counts;
}

std::optional<std::size_t> SnapshotStore::computedColumnCount() {
    if (!connection().open(store_sql::columnFields).findColumn("ComputedText"))
        return std::nullopt;
    return connection().open(store_sql::computedColumnRows).size();
}

} // namespace dbc
