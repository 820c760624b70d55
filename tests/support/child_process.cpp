#include "tests/support/child_process.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <pthread.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace dbc::test {

namespace {

using Clock = std::chrono::steady_clock;

int exitStatus(int waitStatus) {
    return WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : 128 + WTERMSIG(waitStatus);
}

std::string systemError(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

void closeFd(int& fd) {
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

// A pipe whose ends are not inherited by programs the test starts later.
std::array<int, 2> makePipe() {
    std::array<int, 2> ends{};
    if (::pipe2(ends.data(), O_CLOEXEC) != 0)
        throw std::runtime_error(systemError("pipe"));
    return ends;
}

int openForChild(const std::filesystem::path& path, int flags) {
    int fd = ::open(path.c_str(), flags | O_CLOEXEC, 0644);
    if (fd < 0)
        throw std::runtime_error(systemError("open " + path.string()));
    return fd;
}

// The test's environment with `changes` applied, built before the fork so
// that the child only has to exec.
std::vector<std::string> childEnvironment(const std::vector<std::string>& changes) {
    std::vector<std::string> entries;
    for (char** entry = environ; *entry; ++entry)
        entries.emplace_back(*entry);
    for (const std::string& change : changes) {
        const std::string name = change.substr(0, change.find('='));
        std::erase_if(entries, [&](const std::string& e) { return e.rfind(name + "=", 0) == 0; });
        if (change.find('=') != std::string::npos)
            entries.push_back(change);
    }
    return entries;
}

std::vector<char*> pointers(std::vector<std::string>& texts) {
    std::vector<char*> result;
    for (std::string& text : texts)
        result.push_back(text.data());
    result.push_back(nullptr);
    return result;
}

std::chrono::milliseconds left(Clock::time_point deadline) {
    return std::max(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()),
                    std::chrono::milliseconds(0));
}

// While alive, a write to a pipe whose reader has gone fails with EPIPE in
// this thread instead of ending the test with SIGPIPE.
class PipeSignalBlocked {
public:
    PipeSignalBlocked() {
        sigemptyset(&m_pipe);
        sigaddset(&m_pipe, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &m_pipe, &m_previous);
    }
    ~PipeSignalBlocked() {
        const timespec now{0, 0};
        while (sigtimedwait(&m_pipe, nullptr, &now) == SIGPIPE) {
        }
        pthread_sigmask(SIG_SETMASK, &m_previous, nullptr);
    }
    PipeSignalBlocked(const PipeSignalBlocked&) = delete;
    PipeSignalBlocked& operator=(const PipeSignalBlocked&) = delete;

private:
    sigset_t m_pipe{};
    sigset_t m_previous{};
};

} // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const ChildOptions& options)
    : m_program(argv.at(0)) {
    // What the child's standard input, output and error become.
    std::array<int, 3> childEnds{-1, -1, -1};
    // The child reports a failed exec through this pipe; a successful exec
    // closes it unwritten.
    std::array<int, 2> execReport{-1, -1};
    auto cleanUp = [&] {
        for (int& fd : childEnds)
            closeFd(fd);
        closeFd(execReport[1]);
    };
    try {
        execReport = makePipe();
        if (options.pipedInput) {
            auto ends = makePipe();
            childEnds[0] = ends[0];
            m_input = ends[1];
        } else {
            childEnds[0] = openForChild("/dev/null", O_RDONLY);
        }
        switch (options.output) {
        case ChildOutput::Inherited:
            break;
        case ChildOutput::Captured: {
            auto out = makePipe();
            auto err = makePipe();
            childEnds[1] = out[1];
            m_output = out[0];
            childEnds[2] = err[1];
            m_error = err[0];
            break;
        }
        case ChildOutput::OutputOnly: {
            auto out = makePipe();
            childEnds[1] = out[1];
            m_output = out[0];
            break;
        }
        case ChildOutput::Interleaved: {
            auto out = makePipe();
            childEnds[1] = out[1];
            childEnds[2] = ::fcntl(out[1], F_DUPFD_CLOEXEC, 0);
            m_output = out[0];
            break;
        }
        case ChildOutput::Files: {
            static int counter = 0;
            const std::string stem = "child-" + std::to_string(++counter);
            m_outFile = options.outputDir / (stem + ".out");
            m_errFile = options.outputDir / (stem + ".err");
            childEnds[1] = openForChild(m_outFile, O_WRONLY | O_CREAT | O_TRUNC);
            childEnds[2] = openForChild(m_errFile, O_WRONLY | O_CREAT | O_TRUNC);
            break;
        }
        }
    } catch (...) {
        cleanUp();
        closeFd(execReport[0]);
        closePipes();
        throw;
    }

    std::vector<std::string> arguments = argv;
    std::vector<std::string> environment = childEnvironment(options.environment);
    std::vector<char*> argumentPointers = pointers(arguments);
    std::vector<char*> environmentPointers = pointers(environment);

    m_pid = ::fork();
    if (m_pid == 0) {
        for (int target = 0; target < 3; ++target) {
            if (childEnds[target] >= 0)
                ::dup2(childEnds[target], target);
        }
        ::execvpe(argumentPointers[0], argumentPointers.data(), environmentPointers.data());
        const int error = errno;
        [[maybe_unused]] auto written = ::write(execReport[1], &error, sizeof error);
        ::_exit(127);
    }
    const int forkError = errno;
    cleanUp();
    if (m_pid < 0) {
        ::close(execReport[0]);
        closePipes();
        throw std::runtime_error("cannot start " + m_program + ": " + std::strerror(forkError));
    }
    int execError = 0;
    ssize_t got = 0;
    do
        got = ::read(execReport[0], &execError, sizeof execError);
    while (got < 0 && errno == EINTR);
    ::close(execReport[0]);
    if (got == static_cast<ssize_t>(sizeof execError)) {
        closePipes();
        wait();
        throw std::runtime_error("cannot start " + m_program + ": " + std::strerror(execError));
    }
}

ChildProcess::~ChildProcess() {
    closePipes();
    if (m_pid > 0 && !m_status)
        kill();
}

std::string ChildProcess::readOutputLine(std::chrono::milliseconds timeout) {
    std::string line;
    const auto deadline = Clock::now() + timeout;
    while (m_output >= 0 && Clock::now() < deadline) {
        pollfd ready{m_output, POLLIN, 0};
        const auto wait = static_cast<int>(std::max<long long>(left(deadline).count(), 1));
        if (::poll(&ready, 1, wait) <= 0)
            continue;
        char c = 0;
        if (::read(m_output, &c, 1) <= 0 || c == '\n')
            break;
        line.push_back(c);
    }
    return line;
}

void ChildProcess::closeOutput() {
    closeFd(m_output);
}

void ChildProcess::closeInput() {
    closeFd(m_input);
}

void ChildProcess::closePipes() {
    closeFd(m_input);
    closeFd(m_output);
    closeFd(m_error);
}

CommandResult ChildProcess::finish(const std::string& input, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    CommandResult result;
    {
        PipeSignalBlocked pipeSignal;
        std::size_t written = 0;
        if (m_input >= 0)
            ::fcntl(m_input, F_SETFL, ::fcntl(m_input, F_GETFL) | O_NONBLOCK);
        if (input.empty())
            closeInput();
        std::array<char, 4096> buffer{};
        while (m_input >= 0 || m_output >= 0 || m_error >= 0) {
            std::vector<pollfd> watched;
            if (m_input >= 0)
                watched.push_back({m_input, POLLOUT, 0});
            if (m_output >= 0)
                watched.push_back({m_output, POLLIN, 0});
            if (m_error >= 0)
                watched.push_back({m_error, POLLIN, 0});
            if (Clock::now() >= deadline)
                giveUp("to end its output");
            if (::poll(watched.data(), watched.size(), static_cast<int>(left(deadline).count())) <
                0) {
                if (errno == EINTR)
                    continue;
                throw std::runtime_error(systemError("poll"));
            }
            for (const pollfd& entry : watched) {
                if (entry.revents == 0)
                    continue;
                if (entry.fd == m_input) {
                    const ssize_t n =
                        ::write(m_input, input.data() + written, input.size() - written);
                    if (n > 0)
                        written += static_cast<std::size_t>(n);
                    // A child that ends without reading all its input is no
                    // failure of the test.
                    if (written == input.size() || (n < 0 && errno != EAGAIN && errno != EINTR))
                        closeInput();
                    continue;
                }
                int& fd = entry.fd == m_output ? m_output : m_error;
                std::string& text = entry.fd == m_output ? result.out : result.err;
                const ssize_t n = ::read(fd, buffer.data(), buffer.size());
                if (n > 0)
                    text.append(buffer.data(), static_cast<std::size_t>(n));
                else if (n == 0 || errno != EINTR)
                    closeFd(fd);
            }
        }
    }
    result.exitCode = wait(left(deadline));
    return result;
}

bool ChildProcess::waitUntilStopped(std::chrono::milliseconds timeout) {
    if (m_status)
        return false;
    const auto deadline = Clock::now() + timeout;
    for (auto pause = std::chrono::milliseconds(1);;
         pause = std::min(pause * 2, std::chrono::milliseconds(20))) {
        int status = 0;
        const pid_t changed = ::waitpid(m_pid, &status, WNOHANG | WUNTRACED);
        if (changed == m_pid) {
            if (WIFSTOPPED(status))
                return true;
            m_status = exitStatus(status);
            return false;
        }
        if (changed < 0 && errno != EINTR)
            throw std::runtime_error(systemError("waitpid " + m_program));
        if (Clock::now() >= deadline)
            giveUp("to stop");
        std::this_thread::sleep_for(pause);
    }
}

void ChildProcess::resume() {
    signal(SIGCONT);
}

void ChildProcess::signal(int signal) {
    if (m_pid > 0 && !m_status)
        ::kill(m_pid, signal);
}

std::optional<int> ChildProcess::waitFor(std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    auto pause = std::chrono::milliseconds(1);
    while (!m_status) {
        int status = 0;
        const pid_t changed = ::waitpid(m_pid, &status, WNOHANG);
        if (changed == m_pid && (WIFEXITED(status) || WIFSIGNALED(status))) {
            m_status = exitStatus(status);
            break;
        }
        if (changed < 0 && errno != EINTR)
            throw std::runtime_error(systemError("waitpid " + m_program));
        if (Clock::now() >= deadline)
            return std::nullopt;
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(20));
    }
    return m_status;
}

int ChildProcess::wait(std::chrono::milliseconds timeout) {
    if (auto status = waitFor(timeout))
        return *status;
    giveUp("to end");
}

void ChildProcess::kill() {
    if (m_pid <= 0 || m_status)
        return;
    ::kill(m_pid, SIGKILL);
    ::kill(m_pid, SIGCONT); // a stopped child takes SIGKILL only once running
    int status = 0;
    while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
    }
    m_status = exitStatus(status);
}

void ChildProcess::giveUp(const std::string& waitingFor) {
    kill();
    throw std::runtime_error(m_program + " was killed: the test waited in vain for it " +
                             waitingFor);
}

std::string ChildProcess::out() const {
    return readFile(m_outFile);
}

std::string ChildProcess::err() const {
    return readFile(m_errFile);
}

CommandResult runCommand(const std::vector<std::string>& argv,
                         const std::vector<std::string>& environment, const std::string& input) {
    return ChildProcess(argv, ChildOptions::captured(environment)).finish(input);
}

} // namespace dbc::test
