#include "compare_floor.h"

#include "catalog_queries.h"
#include "database_error.h"
#include "object_kinds.h"
#include "sql_text.h"
#include "store_queries.h"

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
    for (const auto& row : names.rows()) {
        const std::string literal = nStringLiteral(row[nameColumn]);
        ++rows.existenceQueries;
        if (target.open(std::string(kind.existenceQuery) + literal).empty())
            continue;
        ++rows.textQueries;
        try {
            target.open(catalog::targetObjectText + literal); // as the compare asks for a text
        } catch (const DatabaseError&) {
            // No readable text: the compare re-creates the object.
        }
    }
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
    return rows;
}

} // namespace dbc::bench
