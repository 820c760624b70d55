#include "tests/cli/child_process.h"

#include "tests/support/test_server_process.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace dbc::test {

ChildProcess::ChildProcess(const std::vector<std::string>& argv,
                           const std::vector<std::string>& environment,
                           const std::filesystem::path& outputDir) {
    static int counter = 0;
    ++counter;
    m_out = outputDir / ("child-" + std::to_string(counter) + ".out");
    m_err = outputDir / ("child-" + std::to_string(counter) + ".err");
    m_pid = fork();
    if (m_pid < 0)
        throw std::runtime_error("fork failed");
    if (m_pid == 0) {
        int out = ::open(m_out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int err = ::open(m_err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int in = ::open("/dev/null", O_RDONLY);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        execWithEnvironment(argv, environment);
    }
}

ChildProcess::~ChildProcess() {
    if (m_status >= 0 || m_pid <= 0)
        return;
    ::kill(m_pid, SIGKILL);
    ::kill(m_pid, SIGCONT);
    waitpid(m_pid, nullptr, 0);
}

bool ChildProcess::waitUntilStopped() {
    int status = 0;
    if (waitpid(m_pid, &status, WUNTRACED) != m_pid)
        return false;
    if (WIFSTOPPED(status))
        return true;
    m_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return false;
}

void ChildProcess::resume() {
    ::kill(m_pid, SIGCONT);
}

int ChildProcess::wait() {
    if (m_status >= 0)
        return m_status;
    int status = 0;
    while (waitpid(m_pid, &status, 0) == m_pid) {
        if (WIFEXITED(status) || WIFSIGNALED(status))
            break;
    }
    m_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return m_status;
}

std::string ChildProcess::out() const {
    return readFile(m_out);
}

std::string ChildProcess::err() const {
    return readFile(m_err);
}

} // namespace dbc::test
