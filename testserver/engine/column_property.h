#pragma once

#include <sqlite3.h>

namespace testserver {

// COLUMNPROPERTY(table id, column name, property): AllowsNull, ColumnId,
// IsComputed, IsIdentity, IsIdNotForRepl, IsRowGuidCol, IsOutParam,
// IsFulltextIndexed, Precision and Scale. NULL for an unknown table, column
// or property.
void columnProperty(sqlite3_context* context, int count, sqlite3_value** arguments);

} // namespace testserver
