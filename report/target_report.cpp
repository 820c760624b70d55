#include "report/target_report.h"

#include <algorithm>

namespace dbc::report {

std::size_t countOf(const TargetReport& target, DifferenceKind kind) {
    return std::size_t(std::count_if(target.differences.begin(), target.differences.end(),
                                     [&](const Difference& d) { return d.kind == kind; }));
}

} // namespace dbc::report
