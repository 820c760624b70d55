#pragma once

#include "report/target_report.h"

#include <string>
#include <vector>

namespace dbc::report {

// The version of the report's JSON form (docs/report.schema.json); it grows
// when a field changes meaning or is removed, not when one is added.
inline constexpr int jsonReportVersion = 1;

// The same facts as the HTML report, for programs: one JSON document in the
// form docs/report.schema.json describes, indented, ending in a line end.
std::string renderJsonReport(const ReportSource& source, const std::vector<TargetReport>& targets);

} // namespace dbc::report
