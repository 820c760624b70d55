#pragma once

#include "catalog/database_catalog.h"
#include "catalog/target_catalog_reader.h"

namespace dbc {

// What the compare asks of the target for `snapshot` (read whole, its views
// and functions in create order): the computed definitions where the
// snapshot knows which columns are computed, the foreign keys, CHECK
// constraints and alias types where it records them, the droppable objects
// with `dropExtra`, and per kind the names of its objects with stored text
// (modulesToAsk); only the tables when it holds nothing; nothing past where
// its reading stopped.
TargetRequest targetRequestFor(const DatabaseCatalog& snapshot, bool dropExtra);

} // namespace dbc
