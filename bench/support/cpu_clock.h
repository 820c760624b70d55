#pragma once

#include <sys/types.h>
#include <vector>

namespace dbc::bench {

// CPU time used by this process and by the child processes it has running
// when the clock is made (the test server): the work a measurement costs on
// both ends of the connection, whatever else the machine is busy with.
class CpuClock {
public:
    CpuClock();

    // Milliseconds of CPU time used so far by this process and those children.
    double nowMs() const;

private:
    std::vector<pid_t> m_children;
};

} // namespace dbc::bench
