#pragma once

#include "testserver/engine/catalog_db.h"

#include <vector>

namespace testserver {

// ON UPDATE CASCADE for one UPDATE of a table: the rows of other tables
// whose cascading FOREIGN KEY references a row the UPDATE changes are found
// before the change (remember), and take the row's new key values after it
// (apply), their own cascading references in turn. Matching the rows before
// the change keeps two keys that swap values apart.
class UpdateCascade {
public:
    UpdateCascade(CatalogDb& db, long long tableId, int depth = 0);

    // Before the row `rowid` of the table changes.
    void remember(long long rowid);
    // After every remembered row has changed.
    void apply();

private:
    struct Reference {
        long long parentRowid = 0;
        long long childTable = 0;
        std::vector<std::pair<int, int>> columns; // referencing colid, referenced colid
        std::vector<long long> children;
    };

    CatalogDb& m_db;
    long long m_tableId;
    int m_depth;
    bool m_loaded = false;
    struct CascadingKey {
        long long childTable = 0;
        std::vector<std::pair<int, int>> columns;
    };
    std::vector<CascadingKey> m_keys;
    std::vector<Reference> m_references;
};

} // namespace testserver
