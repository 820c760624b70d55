#include "bench/compare/compare_floor.h"

#include "catalog/catalog_queries.h"
#include "catalog/object_kinds.h"
#include "data/database_error.h"
#include "data/sql_text.h"
#include "snapshot/store_queries.h"

#include <string>

namespace dbc::bench {

namespace {

// Returns false when the snapshot holds no object of the category.
bool fetchObjects(const ObjectKind& kind, Connection& store, Connection& target,
                  CompareRows& rows) {
    const Result names = store.open(store_sql::moduleNames(kind));
    rows.snapshotRows += names.size() + store.open(store_sql::moduleRows(kind)).size();
    if (names.empty())
        return false;
    const std::size_t nameColumn = names.columnIndex(kind.nameField);
    std::vector<std::string> existenceQueries;
    for (const auto& row : names.rows())
        existenceQueries.push_back(kind.existenceQuery + nStringLiteral(row[nameColumn]));
    std::vector<std::string> textQueries;
    target.openEach(existenceQueries, [&](std::size_t index, ResultOrError reply) {
        if (auto* error = std::get_if<DatabaseError>(&reply))
            throw *error;
        if (!std::get<Result>(reply).empty())
            textQueries.push_back(catalog::targetObjectText +
                                  nStringLiteral(names.rows()[index][nameColumn]));
    });
    rows.existenceQueries += existenceQueries.size();
    rows.textQueries += textQueries.size();
    // A refused text is an answer too: the compare re-creates the object.
    target.openEach(textQueries, [](std::size_t, ResultOrError) {});
    return true;
}

} // namespace

CompareRows fetchCompareRows(Connection& store, Connection& target) {
    CompareRows rows;
    rows.snapshotRows += store.open(store_sql::columns).size();
    const std::size_t tables = store.open(store_sql::tableNames).size();
    rows.snapshotRows += tables;
    rows.targetRows += target.open(catalog::targetColumns).size();
    if (tables == 0)
        return rows;

    rows.snapshotRows += store.open(store_sql::indexKeys).size();
    const std::size_t indexTables = store.open(store_sql::indexTableNames).size();
    rows.snapshotRows += indexTables;
    rows.targetRows += target.open(catalog::targetIndexKeys).size();
    if (indexTables == 0)
        return rows;

    for (const ObjectKind* kind : objectKinds) {
        if (!fetchObjects(*kind, store, target, rows))
            return rows;
    }
    rows.snapshotRows += store.open(store_sql::defaults).size();
    rows.targetRows += target.open(catalog::targetDefaults).size();
    // Foreign keys and CHECK constraints, where the store records them.
    if (!store.open(store_sql::tableExists(store_sql::foreignKeyTable)).empty()) {
        rows.snapshotRows += store.open(store_sql::foreignKeys).size();
        rows.targetRows += target.open(catalog::targetForeignKeys).size();
    }
    if (!store.open(store_sql::tableExists(store_sql::checkTable)).empty()) {
        rows.snapshotRows += store.open(store_sql::checks).size();
        rows.targetRows += target.open(catalog::checkConstraints).size();
    }
    // Computed definitions and alias types, where the store records them.
    if (store.open(store_sql::columnFields).findColumn("ComputedText"))
        rows.targetRows += target.open(catalog::computedColumns).size();
    if (!store.open(store_sql::tableExists(store_sql::aliasTypeTable)).empty()) {
        rows.snapshotRows += store.open(store_sql::aliasTypes).size();
        rows.targetRows += target.open(catalog::aliasTypes).size();
    }
    return rows;
}

} // namespace dbc::bench
