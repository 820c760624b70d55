#include "tests/support/test_server_process.h"

#include <csignal>
#include <cstdlib>
#include <stdexcept>

namespace dbc::test {

namespace fs = std::filesystem;

void loadCatalog(const fs::path& dataDir, const std::string& name, const fs::path& script,
                 const std::string& version) {
    std::vector<std::string> argv{DBCOMPARE_TESTSERVER_PATH, "--data", dataDir.string(), "--load",
                                  name + "=" + script.string()};
    if (!version.empty())
        argv.insert(argv.end(), {"--version", version});
    auto result = runCommand(argv);
    if (result.exitCode != 0)
        throw std::runtime_error("loading " + script.string() + " failed: " + result.out +
                                 result.err);
}

namespace {

std::vector<std::string> serverCommand(const fs::path& dataDir,
                                       const std::vector<std::string>& extraArgs) {
    std::vector<std::string> argv{DBCOMPARE_TESTSERVER_PATH, "--data", dataDir.string(), "--port",
                                  "0"};
    argv.insert(argv.end(), extraArgs.begin(), extraArgs.end());
    return argv;
}

} // namespace

// The server's standard error stays the test's, so what it complains of
// shows in the test's output.
TestServerProcess::TestServerProcess(const fs::path& dataDir, std::vector<std::string> extraArgs)
    : m_process(serverCommand(dataDir, extraArgs), ChildOptions::outputOnly()) {
    const std::string line = m_process.readOutputLine(std::chrono::seconds(20));
    m_process.closeOutput();
    const std::string prefix = "listening on 127.0.0.1:";
    if (line.rfind(prefix, 0) != 0) {
        m_process.kill();
        throw std::runtime_error("the test server " DBCOMPARE_TESTSERVER_PATH
                                 " did not start; it printed: '" +
                                 line + "'");
    }
    m_port = std::atoi(line.c_str() + prefix.size());
}

TestServerProcess::~TestServerProcess() {
    stop(SIGTERM, std::chrono::seconds(5));
}

std::string TestServerProcess::serverName() const {
    return "127.0.0.1," + std::to_string(m_port);
}

std::optional<int> TestServerProcess::stop(int signal, std::chrono::milliseconds timeout) {
    m_process.signal(signal);
    auto status = m_process.waitFor(timeout);
    if (!status)
        m_process.kill();
    return status;
}

void TestServerProcess::kill() {
    m_process.kill();
}

} // namespace dbc::test
