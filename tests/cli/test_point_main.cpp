// The command line with test points armed: DBCOMPARE_TEST_POINT names a
// point ("capture-row") and optionally which time it is reached
// ("capture-row#40", from 1); DBCOMPARE_TEST_ACTION says what happens there:
// "kill" (SIGKILL, as a crash or a power cut would end the program) or
// "stop" (SIGSTOP, so a test can act while the program waits, then let it
// go on with SIGCONT). Built only for the tests.

#include "cli/command_line.h"
#include "data/test_point.h"

#include <csignal>
#include <cstdlib>
#include <string>

namespace {

std::string g_point;
long g_hit = 1;
long g_seen = 0;
int g_signal = SIGKILL;

void onTestPoint(std::string_view point) {
    if (point != g_point || ++g_seen != g_hit)
        return;
    std::raise(g_signal);
}

} // namespace

int main(int argc, char* argv[]) {
    if (const char* armed = std::getenv("DBCOMPARE_TEST_POINT")) {
        g_point = armed;
        if (auto hash = g_point.find('#'); hash != std::string::npos) {
            g_hit = std::stol(g_point.substr(hash + 1));
            g_point.resize(hash);
        }
        const char* action = std::getenv("DBCOMPARE_TEST_ACTION");
        if (action && std::string(action) == "stop")
            g_signal = SIGSTOP;
        dbc::setTestPointHandler(onTestPoint);
    }
    return dbc::runCommandLine(argc, argv);
}
