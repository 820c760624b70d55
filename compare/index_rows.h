#pragma once

#include "index_definition.h"
#include "result.h"

#include <cstddef>
#include <vector>

namespace dbc {

// Groups one table's index key rows of one side into its indexes, in name-key
// order of the index names, each index's key columns in key position order,
// so neither the store's nor the server's collation decides how indexes are
// grouped and merged. `rows` are indices into `result`.
//
// The rows carry TableName, IndexName, IndexField, IndexFieldOrder and
// Status; where the result also has IsUnique, KeyConstraint and IsDescending
// (the target's catalog, a snapshot captured since they were recorded) the
// indexes carry those facts too.
std::vector<IndexDefinition> readTableIndexes(const Result& result,
                                              const std::vector<std::size_t>& rows);

} // namespace dbc
