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
// `databaseName`, and runs the categories in order: tables and columns,
// indexes, procedures, views, triggers, default constraints. The run ends at
// the first category whose snapshot name list is empty; the default
// constraints run whenever the run reaches them.
//
// Errors of either connection propagate as exceptions; the statements added
// before the failure stay in the buffer.
void runCompare(Connection& store, Connection& target, const std::string& databaseName,
                ScriptBuffer& buffer);

} // namespace dbc
