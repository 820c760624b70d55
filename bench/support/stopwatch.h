#pragma once

#include <chrono>

namespace dbc::bench {

// Wall-clock time since construction, in milliseconds.
class Stopwatch {
public:
    Stopwatch() : m_start(std::chrono::steady_clock::now()) {}

    double elapsedMs() const {
        const auto elapsed = std::chrono::steady_clock::now() - m_start;
        return std::chrono::duration<double, std::milli>(elapsed).count();
    }

private:
    std::chrono::steady_clock::time_point m_start;
};

} // namespace dbc::bench
