#pragma once

#include "connection.h"
#include "script_buffer.h"

namespace dbc {

// The default constraint category, over the whole database: a snapshot
// constraint whose name the target lacks is added to its column, a target
// constraint whose name the snapshot lacks is dropped (on any user table, also
// one the snapshot does not know). A name present on both sides yields
// nothing, whatever its value, table or column. Both sides are merged in
// name-key order; empty sides are fine.
void compareDefaults(Connection& store, Connection& target, ScriptBuffer& buffer);

} // namespace dbc
