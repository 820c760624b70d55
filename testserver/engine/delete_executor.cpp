// DELETE: the rows the statement finds go, unless a FOREIGN KEY of another
// row still references them; ON DELETE CASCADE takes the referencing rows
// with them.

#include "testserver/engine/catalog.h"
#include "testserver/engine/row_constraints.h"
#include "testserver/engine/row_executor.h"
#include "testserver/engine/row_values.h"
#include "testserver/engine/select_executor.h"

#include <set>

namespace testserver {

namespace {

// Deletes the rows of other tables whose ON DELETE CASCADE FOREIGN KEY
// references one of the rows about to go, and theirs in turn.
void cascade(CatalogDb& db, long long tableId, const std::vector<long long>& rowids, int depth) {
    if (depth > 32)
        return;
    RowStore store(db);
    auto cascading = db.prepare(
        "SELECT k.constid FROM sysconstraints k WHERE k.id IN (SELECT fkeyid FROM sysforeignkeys "
        "WHERE rkeyid = ?) AND (k.actions & 1) = 1");
    cascading.bind(1, tableId);
    std::set<long long> cascadingIds;
    while (cascading.step())
        cascadingIds.insert(cascading.integer(0));
    Catalog catalog(db, "");
    for (const ForeignKeyRow& key : catalog.foreignKeysReferencing(tableId)) {
        if (!cascadingIds.count(key.id) || !store.exists(key.table))
            continue;
        std::string match;
        for (const auto& [child, parent] : key.columns)
            match += (match.empty() ? "" : " AND ") + std::string("c.") +
                     RowStore::columnName(child) + " = p." + RowStore::columnName(parent);
        auto children =
            db.prepare("SELECT c.rowid FROM " + RowStore::rowsTable(key.table) + " c JOIN " +
                       RowStore::rowsTable(tableId) + " p ON " + match + " WHERE p.rowid = ?");
        std::vector<long long> doomed;
        for (long long rowid : rowids) {
            children.bind(1, rowid);
            while (children.step())
                doomed.push_back(children.integer(0));
            children.reset();
        }
        if (doomed.empty())
            continue;
        cascade(db, key.table, doomed, depth + 1);
        for (long long rowid : doomed)
            store.remove(key.table, rowid);
    }
}

} // namespace

long long executeDelete(RowSession& session, const DeleteRows& statement) {
    RowTarget table = resolveTarget(session.db, statement.target, statement.from);
    RowStore store(session.db);
    CatalogTransaction change(session.db);
    try {
        std::vector<std::vector<SqlValue>> found =
            selectValues(session.db, rowSelect(table, "", statement.from, statement.where),
                         session.variables, true);
        RowConstraints constraints(session.db, session.variables, session.database, table.id,
                                   table.name);
        std::set<long long> unique;
        std::vector<long long> rowids;
        for (const std::vector<SqlValue>& row : found)
            if (unique.insert(integerOf(row.front())).second)
                rowids.push_back(integerOf(row.front()));
        for (long long rowid : rowids)
            constraints.rememberKeys(rowid);
        cascade(session.db, table.id, rowids, 0);
        for (long long rowid : rowids)
            store.remove(table.id, rowid);
        constraints.checkReferencesTo("DELETE");
        change.commit();
        return static_cast<long long>(rowids.size());
    } catch (const ServerError& error) {
        throw terminated(error);
    }
}

} // namespace testserver
