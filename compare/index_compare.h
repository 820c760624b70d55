#pragma once

#include "connection.h"
#include "script_buffer.h"

namespace dbc {

// The index category. Reads the snapshot's index key rows and table list and
// the target's index catalog once, then, for each snapshot table in list
// order, brings the target's indexes of that table into line with the
// snapshot's (see mergeTableIndexes). Tables that have no index rows in the
// snapshot are left alone.
//
// Returns false when the snapshot holds no index rows: the compare run ends
// there and no later category runs.
bool compareIndexes(Connection& store, Connection& target, ScriptBuffer& buffer);

} // namespace dbc
