#pragma once

#include <sqlite3.h>

namespace testserver {

// OBJECTPROPERTY(id, property): the kind of an object, the state of a
// constraint (CnstIs...) and what a table has (TableHas...). NULL for an
// unknown object or property, or a property that does not apply.
void objectProperty(sqlite3_context* context, int count, sqlite3_value** arguments);

// IDENT_SEED('table') and IDENT_INCR('table'): the identity column's seed and
// increment as declared; NULL for a table without identity.
void identitySeed(sqlite3_context* context, int count, sqlite3_value** arguments);
void identityIncrement(sqlite3_context* context, int count, sqlite3_value** arguments);

// INDEXPROPERTY(table id, index name, property): IsUnique, IsClustered,
// IsStatistics, IsAutoStatistics, IsHypothetical, IsPadIndex, IndexID,
// IndexFillFactor.
void indexProperty(sqlite3_context* context, int count, sqlite3_value** arguments);

// INDEXKEY_PROPERTY(table id, index id, key number, property): ColumnId,
// IsDescending.
void indexKeyProperty(sqlite3_context* context, int count, sqlite3_value** arguments);

} // namespace testserver
