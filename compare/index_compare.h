#pragma once

#include "connection.h"
#include "script_buffer.h"

namespace dbc {

// The index category. Reads the snapshot's index key rows and table list and
// the target's index catalog once, then, for each snapshot table in list
// order, creates the indexes the target lacks, drops the ones the snapshot
// lacks, and drops and re-creates those whose key columns or clustered marking
// differ. Tables that have no index rows in the snapshot are left alone.
// Table, index and key column names are bracketed where they need it.
void compareIndexes(Connection& store, Connection& target, ScriptBuffer& buffer);

} // namespace dbc
