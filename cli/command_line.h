#pragma once

namespace dbc {

// Runs the program's subcommands (capture, compare, execute, exec-one, show)
// without any display. Returns the process exit status: 0 success, 1 the
// server refused statements, 2 usage error, 3 connection, login or store
// failure.
int runCommandLine(int argc, char** argv);

} // namespace dbc
