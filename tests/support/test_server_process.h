#pragma once

#include "tests/support/child_process.h"
#include "tests/support/file_text.h"
#include "tests/support/scratch_dir.h"

#include <filesystem>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace dbc::test {

// The scratch directory under the name the server tests know it by.
using TempDir = ScratchDir;

// Builds DIR/NAME.sqlite from a T-SQL script through the test server's
// engine (dbcompare-testserver --load). Throws std::runtime_error with the
// loader's output when the script fails.
// `version` is the release the engine answers as while loading ("2019"),
// empty for the default (2000).
void loadCatalog(const std::filesystem::path& dataDir, const std::string& name,
                 const std::filesystem::path& script, const std::string& version = {});

// The test server as a child process on a free 127.0.0.1 port, stopped with
// SIGTERM (SIGKILL when that is not enough) when the object dies.
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
    pid_t pid() const noexcept { return m_process.pid(); }
    // The server box text that reaches it: "127.0.0.1,PORT".
    std::string serverName() const;
    // Sends `signal` and waits up to `timeout` for the server to end: its exit
    // status, or none when it is still running (it is then killed).
    std::optional<int> stop(int signal, std::chrono::milliseconds timeout);
    // Kills the server at once (SIGKILL), as a crash or a pulled cable would.
    void kill();

private:
    ChildProcess m_process;
    int m_port = 0;
};

} // namespace dbc::test
