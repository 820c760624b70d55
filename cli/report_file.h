#pragma once

#include "report/target_report.h"

#include <filesystem>
#include <string>
#include <vector>

namespace dbc::cli {

// True when `path` names a report the program can write: it ends in ".html"
// or ".json" (letter case aside).
bool isReportFileName(const std::string& path);

// The report's heading for the snapshot at `snapshot` (read from it), naming
// the file as `shownPath`, with the current time.
report::ReportSource reportSourceOf(const std::filesystem::path& snapshot,
                                    const std::filesystem::path& shownPath);

// Writes the HTML or the JSON report (by the file name's ending) whole or
// not at all; OutputFileError when it cannot be written.
void writeReportFile(const std::filesystem::path& path, const report::ReportSource& source,
                     const std::vector<report::TargetReport>& targets);

} // namespace dbc::cli
