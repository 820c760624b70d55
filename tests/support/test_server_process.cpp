#include "tests/support/test_server_process.h"

#include <array>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace dbc::test {

namespace fs = std::filesystem;

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

fs::path fixturesDir() {
    return fs::path(DBCOMPARE_SOURCE_DIR) / "tests" / "fixtures";
}

namespace {

std::string readAll(int fd) {
    std::string text;
    std::array<char, 4096> buffer{};
    for (;;) {
        ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n > 0)
            text.append(buffer.data(), static_cast<std::size_t>(n));
        else if (n == 0 || errno != EINTR)
            break;
    }
    return text;
}

// Reads one line from `fd` within `timeout`; empty when none came.
std::string readLine(int fd, std::chrono::milliseconds timeout) {
    std::string line;
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd pfd{fd, POLLIN, 0};
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (::poll(&pfd, 1, static_cast<int>(std::max<long long>(left.count(), 1))) <= 0)
            continue;
        char c = 0;
        ssize_t n = ::read(fd, &c, 1);
        if (n <= 0)
            break;
        if (c == '\n')
            return line;
        line.push_back(c);
    }
    return line;
}

// In a forked child: becomes the program argv[0], or ends the child.
[[noreturn]] void execOrExit(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
}

} // namespace

void execWithEnvironment(const std::vector<std::string>& argv,
                         const std::vector<std::string>& environment) {
    for (const auto& assignment : environment) {
        auto eq = assignment.find('=');
        if (eq == std::string::npos)
            unsetenv(assignment.c_str());
        else
            setenv(assignment.substr(0, eq).c_str(), assignment.substr(eq + 1).c_str(), 1);
    }
    execOrExit(argv);
}

CommandResult runCommand(const std::vector<std::string>& argv,
                         const std::vector<std::string>& extraEnvironment,
                         const std::string& standardInput) {
    int outPipe[2], errPipe[2], inPipe[2];
    if (pipe(outPipe) != 0 || pipe(errPipe) != 0 || pipe(inPipe) != 0)
        throw std::runtime_error("pipe failed");
    pid_t pid = fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0) {
        dup2(inPipe[0], 0);
        dup2(outPipe[1], 1);
        dup2(errPipe[1], 2);
        for (int fd : {outPipe[0], outPipe[1], errPipe[0], errPipe[1], inPipe[0], inPipe[1]})
            close(fd);
        execWithEnvironment(argv, extraEnvironment);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    close(inPipe[0]);
    if (!standardInput.empty()) [[maybe_unused]]
        auto written = ::write(inPipe[1], standardInput.data(), standardInput.size());
    close(inPipe[1]);
    // Read both pipes without letting either fill up.
    CommandResult result;
    std::thread errReader([&] { result.err = readAll(errPipe[0]); });
    result.out = readAll(outPipe[0]);
    errReader.join();
    close(outPipe[0]);
    close(errPipe[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

void loadCatalog(const fs::path& dataDir, const std::string& name, const fs::path& script) {
    auto result = runCommand({DBCOMPARE_TESTSERVER_PATH, "--data", dataDir.string(), "--load",
                              name + "=" + script.string()});
    if (result.exitCode != 0)
        throw std::runtime_error("loading " + script.string() + " failed: " + result.out +
                                 result.err);
}

TestServerProcess::TestServerProcess(const fs::path& dataDir, std::vector<std::string> extraArgs) {
    int outPipe[2];
    if (pipe(outPipe) != 0)
        throw std::runtime_error("pipe failed");
    std::vector<std::string> argv{DBCOMPARE_TESTSERVER_PATH, "--data", dataDir.string(), "--port",
                                  "0"};
    argv.insert(argv.end(), extraArgs.begin(), extraArgs.end());
    m_pid = fork();
    if (m_pid < 0)
        throw std::runtime_error("fork failed");
    if (m_pid == 0) {
        dup2(outPipe[1], 1);
        close(outPipe[0]);
        close(outPipe[1]);
        execOrExit(argv);
    }
    close(outPipe[1]);
    std::string line = readLine(outPipe[0], std::chrono::seconds(20));
    close(outPipe[0]);
    const std::string prefix = "listening on 127.0.0.1:";
    if (line.rfind(prefix, 0) != 0) {
        kill();
        throw std::runtime_error("the test server " DBCOMPARE_TESTSERVER_PATH
                                 " did not start; it printed: '" +
                                 line + "'");
    }
    m_port = std::atoi(line.c_str() + prefix.size());
}

TestServerProcess::~TestServerProcess() {
    if (m_pid <= 0)
        return;
    ::kill(m_pid, SIGTERM);
    for (int i = 0; i < 100; ++i) {
        if (waitpid(m_pid, nullptr, WNOHANG) == m_pid)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ::kill(m_pid, SIGKILL);
    waitpid(m_pid, nullptr, 0);
}

std::string TestServerProcess::serverName() const {
    return "127.0.0.1," + std::to_string(m_port);
}

void TestServerProcess::kill() {
    if (m_pid <= 0)
        return;
    ::kill(m_pid, SIGKILL);
    waitpid(m_pid, nullptr, 0);
    m_pid = -1;
}

} // namespace dbc::test
