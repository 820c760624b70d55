#pragma once

#include "bench/support/report_table.h"
#include "bench/support/side_by_side.h"

#include <string>
#include <vector>

namespace dbc::bench {

// The columns both benchmarks print after their own: wall-clock floor, work
// and ratio; CPU floor, work and ratio; the work's fetch and other time (and,
// when `tailName` is given, the tail part of the other time under that name);
// growth over the previous size of the same series and the size factor.
std::vector<ReportTable::Column> timingColumns(const std::string& workName,
                                               const std::string& tailName = {});

// Follows one series of growing sizes and gives each measurement's growth
// cells: work time and size, each over the previous measurement's.
class GrowthTracker {
public:
    std::vector<std::string> next(const std::string& series, double size, double workMs);

private:
    std::string m_series;
    double m_size = 0;
    double m_workMs = 0;
};

std::vector<std::string> timingCells(const SideBySide& timing,
                                     const std::vector<std::string>& growth, bool withTail = false);

// What the timing columns mean, for the end of a report.
std::string timingLegend(const std::string& workName, const std::string& otherMeaning);

} // namespace dbc::bench
