#include "tests/testserver/child_process.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <pthread.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace testserver::test {

ChildResult runChild(const std::vector<std::string>& argv, const std::string& input,
                     const std::vector<std::string>& environment) {
    int inPipe[2];
    int outPipe[2];
    if (::pipe(inPipe) != 0 || ::pipe(outPipe) != 0)
        throw std::runtime_error("pipe failed");
    pid_t pid = ::fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0) {
        ::dup2(inPipe[0], 0);
        ::dup2(outPipe[1], 1);
        ::dup2(outPipe[1], 2);
        for (int fd : {inPipe[0], inPipe[1], outPipe[0], outPipe[1]})
            ::close(fd);
        for (const auto& entry : environment) {
            auto eq = entry.find('=');
            ::setenv(entry.substr(0, eq).c_str(), entry.substr(eq + 1).c_str(), 1);
        }
        std::vector<char*> args;
        for (const auto& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    ::close(inPipe[0]);
    ::close(outPipe[1]);
    std::thread writer([fd = inPipe[1], input] {
        // A child that exits without reading its input must not kill the
        // test with SIGPIPE: blocked, the signal turns into EPIPE.
        sigset_t pipeSignal;
        sigemptyset(&pipeSignal);
        sigaddset(&pipeSignal, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);
        std::size_t done = 0;
        while (done < input.size()) {
            ssize_t n = ::write(fd, input.data() + done, input.size() - done);
            if (n <= 0 && errno != EINTR)
                break;
            if (n > 0)
                done += static_cast<std::size_t>(n);
        }
        ::close(fd);
    });
    ChildResult result;
    char buffer[4096];
    for (;;) {
        ssize_t n = ::read(outPipe[0], buffer, sizeof buffer);
        if (n > 0)
            result.out.append(buffer, static_cast<std::size_t>(n));
        else if (n == 0 || errno != EINTR)
            break;
    }
    ::close(outPipe[0]);
    writer.join();
    int status = 0;
    ::waitpid(pid, &status, 0);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

} // namespace testserver::test
