#pragma once

namespace dbc::cli {

// While it lives, Ctrl-C (SIGINT) and SIGTERM ask the running step to stop
// at its next safe point instead of ending the program; the handler only
// sets a flag. Each signal's handler is used once: a second Ctrl-C (or a
// second SIGTERM) ends the program at once, as without this object. The
// previous handlers come back when it ends.
class StopOnSignals {
public:
    StopOnSignals();
    ~StopOnSignals();
    StopOnSignals(const StopOnSignals&) = delete;
    StopOnSignals& operator=(const StopOnSignals&) = delete;

    // True once a stop was asked for.
    static bool requested() noexcept;
};

} // namespace dbc::cli
