#pragma once

#include "tests/support/scratch_dir.h"

#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

namespace dbc::test {

// The scratch directory under the name the server tests know it by.
using TempDir = ScratchDir;

// The whole content of a file, empty when it cannot be read.
std::string readFile(const std::filesystem::path& path);

// In a forked child: applies `environment` ("NAME=value" sets, "NAME"
// removes) and becomes the program argv[0]; exits with 127 when it cannot.
[[noreturn]] void execWithEnvironment(const std::vector<std::string>& argv,
                                      const std::vector<std::string>& environment);

// The fixture scripts' folder (tests/fixtures in the source tree).
std::filesystem::path fixturesDir();

// Builds DIR/NAME.sqlite from a T-SQL script through the test server's
// engine (dbcompare-testserver --load). Throws std::runtime_error with the
// loader's output when the script fails.
void loadCatalog(const std::filesystem::path& dataDir, const std::string& name,
                 const std::filesystem::path& script);

// The test server as a child process on a free 127.0.0.1 port, stopped with
// SIGTERM when the object dies.
class TestServerProcess {
public:
    explicit TestServerProcess(const std::filesystem::path& dataDir,
                               std::vector<std::string> extraArgs = {});
    ~TestServerProcess();
    TestServerProcess(const TestServerProcess&) = delete;
    TestServerProcess& operator=(const TestServerProcess&) = delete;

    int port() const noexcept { return m_port; }
    // The server's process, for tests that stop it (SIGSTOP) to play a hung
    // server.
    pid_t pid() const noexcept { return m_pid; }
    // The server box text that reaches it: "127.0.0.1,PORT".
    std::string serverName() const;
    // Kills the server at once (SIGKILL), as a crash or a pulled cable would.
    void kill();

private:
    pid_t m_pid = -1;
    int m_port = 0;
};

// Runs a command line through /bin/sh, capturing standard output and error
// separately; used to drive the command-line programs as a user would.
struct CommandResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};
CommandResult runCommand(const std::vector<std::string>& argv,
                         const std::vector<std::string>& extraEnvironment = {},
                         const std::string& standardInput = {});

} // namespace dbc::test
