#pragma once

#include "index_definition.h"

#include <string>

namespace dbc {

// Creates `index` on its table: an index of a primary key or unique
// constraint as that constraint ("ALTER TABLE ... ADD CONSTRAINT"), any other
// as an index ("Create [UNIQUE] [CLUSTERED] INDEX").
std::string createIndexStatement(const IndexDefinition& index);

// Drops the target's `index` from the table named `tableName`: the index of a
// key constraint by dropping the constraint (SQL Server refuses DROP INDEX on
// it), any other with "Drop Index".
std::string dropIndexStatement(const std::string& tableName, const IndexDefinition& index);

} // namespace dbc
