#pragma once

#include "connection.h"
#include "script_buffer.h"

#include <string>

namespace dbc {

// One compare run: reads the snapshot store through `store` and the target's
// catalog through `target` and adds to `buffer` the statements that bring the
// target into line with the snapshot. Nothing is executed on the target.
//
// The caller has already cleared the buffer's statement list and connected
// `target`, so a failed connect leaves an empty list beside the old display
// text. When the snapshot holds no column rows the run ends before touching
// the buffer. Otherwise it clears the display text, adds "use " +
// `databaseName` (bracketed where it needs it), and runs every category in
// order, whatever the others hold: tables and columns, indexes, procedures,
// views, triggers, default constraints. The default constraints of both sides
// are read before the tables, so that an Add can carry its column's default.
//
// Errors of either connection propagate as exceptions; the statements added
// before the failure stay in the buffer.
void runCompare(Connection& store, Connection& target, const std::string& databaseName,
                ScriptBuffer& buffer);

} // namespace dbc
