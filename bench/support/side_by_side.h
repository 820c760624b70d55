#pragma once

#include "bench/support/cpu_clock.h"
#include "bench/support/stopwatch.h"

#include <functional>

namespace dbc::bench {

// One timed run: wall-clock time, CPU time of the benchmark and the test
// server together, and for the real work the wall-clock time spent waiting
// for the connections' queries and the time after its last progress report
// (a capture's commit).
struct Sample {
    double wallMs = 0;
    double cpuMs = 0;
    double fetchMs = 0;
    double tailMs = 0;
};

// Starts timing at construction.
class Meter {
public:
    explicit Meter(const CpuClock& clock) : m_clock(clock), m_cpuStart(clock.nowMs()) {}
    // Milliseconds since construction.
    double elapsedMs() const { return m_watch.elapsedMs(); }

    Sample stop(double fetchMs = 0, double tailMs = 0) const {
        const double wall = m_watch.elapsedMs();
        return {wall, m_clock.nowMs() - m_cpuStart, fetchMs, tailMs};
    }

private:
    const CpuClock& m_clock;
    double m_cpuStart;
    Stopwatch m_watch;
};

// The best runs of the floor (fetching the rows alone) and of the real work,
// measured alternately in one run.
struct SideBySide {
    Sample floor;
    Sample work;
    double wallRatio() const { return floor.wallMs > 0 ? work.wallMs / floor.wallMs : 0; }
    double cpuRatio() const { return floor.cpuMs > 0 ? work.cpuMs / floor.cpuMs : 0; }
};

// Runs `floor` and `work` alternately, `repetitions` times each, the floor
// first; each measures only its own part (set-up such as opening a fresh
// store is left out). Keeps the fastest run of each by wall-clock time (with
// its fetch time) and, separately, the least CPU time: the runs least
// disturbed by whatever else the machine was doing. With two or more
// repetitions neither is a run against cold caches.
SideBySide measureSideBySide(int repetitions, const std::function<Sample()>& floor,
                             const std::function<Sample()>& work);

} // namespace dbc::bench
