#pragma once

#include "report/target_report.h"

#include <string>
#include <vector>

namespace dbc::report {

// The difference report as one self-contained HTML page (its style inline,
// no script, nothing fetched): an overview with a row per target, then a
// section per target listing, per kind, what only the source has, what only
// the target has and what differs, each with the statements that deal with
// it. Differing columns and indexes show both definitions side by side with
// the differing parts marked; differing procedures, views and triggers a line
// diff of the two texts. Labels are in Chinese, as in the window.
std::string renderHtmlReport(const ReportSource& source, const std::vector<TargetReport>& targets);

} // namespace dbc::report
