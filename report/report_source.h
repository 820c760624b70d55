#pragma once

#include "report/target_report.h"

#include <filesystem>

namespace dbc::report {

// The report's heading for the snapshot at `snapshot` (the captured
// database, its server and time, read from the file), naming the file as
// `shownPath`, with the current time. Throws StoreError naming the file.
ReportSource reportSourceOf(const std::filesystem::path& snapshot,
                            const std::filesystem::path& shownPath);

} // namespace dbc::report
