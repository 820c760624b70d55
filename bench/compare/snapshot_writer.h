#pragma once

#include "bench/support/synthetic_schema.h"

namespace dbc {
class SnapshotStore;
}

namespace dbc::bench {

// Replaces the six tables of `store` with `schema`, row for row as a capture
// of a database holding it would have written them (text rows as sp_helptext
// cuts them), through SnapshotStore::appendRow in one transaction.
void writeSnapshot(SnapshotStore& store, const SyntheticSchema& schema);

} // namespace dbc::bench
