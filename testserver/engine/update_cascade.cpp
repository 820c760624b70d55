#include "testserver/engine/update_cascade.h"

#include "testserver/engine/catalog.h"
#include "testserver/engine/row_store.h"

#include <set>

namespace testserver {

UpdateCascade::UpdateCascade(CatalogDb& db, long long tableId, int depth)
    : m_db(db), m_tableId(tableId), m_depth(depth) {}

void UpdateCascade::remember(long long rowid) {
    if (m_depth > 32)
        return;
    RowStore store(m_db);
    if (!m_loaded) {
        auto cascading =
            m_db.prepare("SELECT k.constid FROM sysconstraints k WHERE k.id IN (SELECT fkeyid FROM "
                         "sysforeignkeys WHERE rkeyid = ?) AND (k.actions & 2) = 2");
        cascading.bind(1, m_tableId);
        std::set<long long> cascadingIds;
        while (cascading.step())
            cascadingIds.insert(cascading.integer(0));
        Catalog catalog(m_db, "");
        for (const ForeignKeyRow& key : catalog.foreignKeysReferencing(m_tableId))
            if (cascadingIds.count(key.id) && store.exists(key.table))
                m_keys.push_back({key.table, key.columns});
        m_loaded = true;
    }
    for (const CascadingKey& key : m_keys) {
        std::string match;
        for (const auto& [child, parent] : key.columns)
            match += (match.empty() ? "" : " AND ") + std::string("c.") +
                     RowStore::columnName(child) + " = p." + RowStore::columnName(parent);
        auto children =
            m_db.prepare("SELECT c.rowid FROM " + RowStore::rowsTable(key.childTable) + " c JOIN " +
                         RowStore::rowsTable(m_tableId) + " p ON " + match + " WHERE p.rowid = ?");
        children.bind(1, rowid);
        Reference reference{rowid, key.childTable, key.columns, {}};
        while (children.step())
            reference.children.push_back(children.integer(0));
        if (!reference.children.empty())
            m_references.push_back(std::move(reference));
    }
}

void UpdateCascade::apply() {
    for (const Reference& reference : m_references) {
        // The child table's own cascading references follow its rows.
        UpdateCascade next(m_db, reference.childTable, m_depth + 1);
        for (long long child : reference.children)
            next.remember(child);
        std::string sets;
        for (const auto& [child, parent] : reference.columns)
            sets += (sets.empty() ? "" : ", ") + RowStore::columnName(child) + " = (SELECT p." +
                    RowStore::columnName(parent) + " FROM " + RowStore::rowsTable(m_tableId) +
                    " p WHERE p.rowid = ?1)";
        auto update = m_db.prepare("UPDATE " + RowStore::rowsTable(reference.childTable) + " SET " +
                                   sets + " WHERE rowid = ?2");
        for (long long child : reference.children) {
            update.bind(1, reference.parentRowid).bind(2, child).run();
            update.reset();
        }
        next.apply();
    }
}

} // namespace testserver
