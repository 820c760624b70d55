#include "bench/support/cpu_clock.h"

#include <fstream>
#include <string>
#include <time.h>
#include <unistd.h>

namespace dbc::bench {

namespace {

double cpuMs(clockid_t clock) {
    timespec time{};
    if (clock_gettime(clock, &time) != 0)
        return 0;
    return double(time.tv_sec) * 1e3 + double(time.tv_nsec) / 1e6;
}

} // namespace

CpuClock::CpuClock() {
    // The main thread started the children; Linux lists them per thread.
    const std::string pid = std::to_string(getpid());
    std::ifstream children("/proc/" + pid + "/task/" + pid + "/children");
    pid_t child = 0;
    while (children >> child)
        m_children.push_back(child);
}

double CpuClock::nowMs() const {
    double total = cpuMs(CLOCK_PROCESS_CPUTIME_ID);
    for (pid_t child : m_children) {
        clockid_t clock{};
        if (clock_getcpuclockid(child, &clock) == 0)
            total += cpuMs(clock);
    }
    return total;
}

} // namespace dbc::bench
