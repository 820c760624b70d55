#pragma once

#include "cli/target_job.h"

#include <string>
#include <vector>

namespace dbc::cli {

// The table printed at the end of a many-targets run: a row per target with
// what came of it (ok, unreachable, failed, stopped, not run), its
// differences by kind, the statements written and, after an execution, the
// statements the server refused; then a line per failed target with its
// error, and the targets that did not run.
std::string summaryTable(const std::vector<TargetOutcome>& outcomes);

// The run's exit status: the worst of the targets' (0 < 1 < ... < 6), and
// interruptedStatus when a target did not run or was stopped.
int worstStatus(const std::vector<TargetOutcome>& outcomes);

} // namespace dbc::cli
