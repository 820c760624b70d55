#include "bench/support/side_by_side.h"

#include <algorithm>
#include <limits>

namespace dbc::bench {

namespace {

void keepBest(Sample& best, const Sample& sample) {
    const double cpu = std::min(best.cpuMs, sample.cpuMs);
    if (sample.wallMs < best.wallMs)
        best = sample;
    best.cpuMs = cpu;
}

} // namespace

SideBySide measureSideBySide(int repetitions, const std::function<Sample()>& floor,
                             const std::function<Sample()>& work) {
    constexpr double none = std::numeric_limits<double>::max();
    SideBySide best{{none, none, 0, 0}, {none, none, 0, 0}};
    for (int i = 0; i < std::max(repetitions, 1); ++i) {
        keepBest(best.floor, floor());
        keepBest(best.work, work());
    }
    return best;
}

} // namespace dbc::bench
