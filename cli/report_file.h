#pragma once

#include "report/target_report.h"

#include <filesystem>
#include <string>
#include <vector>

namespace dbc::cli {

// True when `path` names a report the program can write: it ends in ".html"
// or ".json" (letter case aside).
bool isReportFileName(const std::string& path);

// Writes the HTML or the JSON report (by the file name's ending) whole or
// not at all; OutputFileError when it cannot be written.
void writeReportFile(const std::filesystem::path& path, const report::ReportSource& source,
                     const std::vector<report::TargetReport>& targets);

} // namespace dbc::cli
