#pragma once

#include "catalog/catalog_model.h"
#include "catalog/name_key.h"

namespace dbc {

// True when each column of the foreign key and the column it references will
// be of the same type, length and scale once the script has run: SQL Server
// adds the key back only then (1753). `columnAfter(table, column)` gives a
// column's definition after the script, or nullptr where it is not known; a
// pair with an unknown side is not compared. Scales are compared only where
// both sides know theirs.
template <typename ColumnAfter>
bool keyColumnTypesMatch(const ForeignKey& key, const ColumnAfter& columnAfter) {
    for (std::size_t i = 0; i < key.columns.size() && i < key.referencedColumns.size(); ++i) {
        const Column* from = columnAfter(key.table, key.columns[i]);
        const Column* to = columnAfter(key.referencedTable, key.referencedColumns[i]);
        if (!from || !to)
            continue;
        const bool scalesKnown = from->scaleKnown && to->scaleKnown;
        if (compareNameKeys(from->type, to->type) != 0 || from->length != to->length ||
            (scalesKnown && from->scale != to->scale))
            return false;
    }
    return true;
}

} // namespace dbc
