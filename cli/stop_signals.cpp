#include "cli/stop_signals.h"

#include <atomic>
#include <csignal>

namespace dbc::cli {

namespace {

std::atomic<bool> g_stopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free);

struct sigaction g_previousInterrupt {};
struct sigaction g_previousTerminate {};

extern "C" void onStopSignal(int) {
    g_stopRequested.store(true);
}

} // namespace

StopOnSignals::StopOnSignals() {
    g_stopRequested.store(false);
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    // SA_RESETHAND: the next such signal has its default effect and ends the
    // program; SA_RESTART: a read from the server goes on meanwhile.
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    sigaction(SIGINT, &action, &g_previousInterrupt);
    sigaction(SIGTERM, &action, &g_previousTerminate);
}

StopOnSignals::~StopOnSignals() {
    sigaction(SIGINT, &g_previousInterrupt, nullptr);
    sigaction(SIGTERM, &g_previousTerminate, nullptr);
}

bool StopOnSignals::requested() noexcept {
    return g_stopRequested.load();
}

} // namespace dbc::cli
