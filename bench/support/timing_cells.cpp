#include "bench/support/timing_cells.h"

namespace dbc::bench {

std::vector<ReportTable::Column> timingColumns(const std::string& workName,
                                               const std::string& tailName) {
    std::vector<ReportTable::Column> columns{
        {"floor ms", 8},         {workName + " ms", 10}, {"ratio", 5},    {"cpu floor", 9},
        {"cpu " + workName, 11}, {"cpu ratio", 9},       {"fetch ms", 8}, {"other ms", 8}};
    if (!tailName.empty())
        columns.push_back({tailName + " ms", static_cast<int>(tailName.size()) + 3});
    columns.push_back({"growth", 6});
    columns.push_back({"size x", 6});
    return columns;
}

std::vector<std::string> GrowthTracker::next(const std::string& series, double size,
                                             double workMs) {
    std::vector<std::string> cells{"", ""};
    if (series == m_series && m_size > 0 && m_workMs > 0)
        cells = {formatRatio(workMs / m_workMs), formatRatio(size / m_size)};
    m_series = series;
    m_size = size;
    m_workMs = workMs;
    return cells;
}

std::vector<std::string> timingCells(const SideBySide& timing,
                                     const std::vector<std::string>& growth, bool withTail) {
    const Sample& work = timing.work;
    std::vector<std::string> cells{formatMs(timing.floor.wallMs),
                                   formatMs(work.wallMs),
                                   formatRatio(timing.wallRatio()),
                                   formatMs(timing.floor.cpuMs),
                                   formatMs(work.cpuMs),
                                   formatRatio(timing.cpuRatio()),
                                   formatMs(work.fetchMs),
                                   formatMs(work.wallMs - work.fetchMs)};
    if (withTail)
        cells.push_back(formatMs(work.tailMs));
    cells.insert(cells.end(), growth.begin(), growth.end());
    return cells;
}

std::string timingLegend(const std::string& workName, const std::string& otherMeaning) {
    return "ratio = " + workName +
           " / floor in wall-clock time (fastest of the repetitions).\n"
           "cpu = CPU time of the benchmark and the test server together (least of the\n"
           "repetitions), steadier than wall-clock time on a busy machine.\n"
           "fetch = the part of the " +
           workName + " spent in its connections' queries;\nother = the rest (" + otherMeaning +
           ").\ngrowth = " + workName +
           " time over the previous size's; size x = the size factor.\n";
}

} // namespace dbc::bench
