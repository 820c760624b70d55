#include "testserver/engine/consumed_identities.h"

#include "testserver/engine/row_store.h"

namespace testserver {

namespace {

bool tableExists(CatalogDb& db, const std::string& name) {
    auto find = db.prepare("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?");
    find.bind(1, name);
    return find.step();
}

constexpr const char* kCounters = "testserver_identity_current";

} // namespace

ConsumedIdentities::ConsumedIdentities(CatalogDb& db) : m_db(db) {
    if (!tableExists(m_db, kCounters))
        return;
    auto read = m_db.prepare(std::string("SELECT id, value FROM ") + kCounters);
    while (read.step())
        m_counters.emplace_back(read.integer(0), read.integer(1));
}

void ConsumedIdentities::keep() {
    if (m_counters.empty())
        return;
    m_db.execute(std::string("CREATE TABLE IF NOT EXISTS ") + kCounters +
                 " (id INTEGER PRIMARY KEY, value INTEGER NOT NULL)");
    auto store = m_db.prepare(std::string("INSERT OR REPLACE INTO ") + kCounters +
                              " (id, value) VALUES (?, ?)");
    for (const auto& [table, value] : m_counters) {
        if (!tableExists(m_db, RowStore::rowsTable(table)))
            continue;
        store.bind(1, table).bind(2, value).run();
        store.reset();
    }
}

} // namespace testserver
