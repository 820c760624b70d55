#pragma once

#include "tests/support/file_text.h"

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace dbc::test {

// Where a child's standard output and error go.
enum class ChildOutput {
    Inherited,   // where the test's own go
    Captured,    // two pipes, read by finish() (or a line at a time by readOutputLine)
    OutputOnly,  // standard output captured, standard error where the test's goes
    Interleaved, // one pipe for both, in the order written, as a terminal shows them
    Files,       // two files in ChildOptions::outputDir, read by out() and err()
};

struct ChildOptions {
    // Changes to the test's environment: "NAME=value" sets, "NAME" removes.
    std::vector<std::string> environment;
    ChildOutput output = ChildOutput::Captured;
    std::filesystem::path outputDir; // for ChildOutput::Files
    // A pipe that finish() writes to; otherwise standard input is /dev/null.
    bool pipedInput = true;

    // Output and error captured apart, input from finish().
    static ChildOptions captured(std::vector<std::string> environment = {}) {
        return {std::move(environment), ChildOutput::Captured, {}, true};
    }
    // Output and error in one capture, input from finish().
    static ChildOptions interleaved(std::vector<std::string> environment = {}) {
        return {std::move(environment), ChildOutput::Interleaved, {}, true};
    }
    // Output and error in files in `directory`, no input: for a child that
    // runs while the test does other things.
    static ChildOptions inFiles(std::filesystem::path directory,
                                std::vector<std::string> environment = {}) {
        return {std::move(environment), ChildOutput::Files, std::move(directory), false};
    }
    // Output captured, error the test's, no input: for a server that says
    // where it listens.
    static ChildOptions outputOnly(std::vector<std::string> environment = {}) {
        return {std::move(environment), ChildOutput::OutputOnly, {}, false};
    }
};

struct CommandResult {
    int exitCode = -1; // the exit status, or 128 + the signal that ended the child
    std::string out;   // with ChildOutput::Interleaved, standard error as well
    std::string err;
};

// How long a child may run before a test gives up on it.
inline constexpr std::chrono::seconds defaultChildTimeout{300};

// A program run as a child process of the test. Whatever happens in the test,
// the child is gone when the object is: one still running (or stopped) is
// killed and reaped, so no test leaves a process behind.
class ChildProcess {
public:
    // Starts argv[0], looked up on PATH when it holds no "/". Throws
    // std::runtime_error naming the program when it cannot be started.
    explicit ChildProcess(const std::vector<std::string>& argv,
                          const ChildOptions& options = ChildOptions::captured());
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const noexcept { return m_pid; }

    // One line of the captured standard output, without its line end; empty
    // when none came within `timeout`.
    std::string readOutputLine(std::chrono::milliseconds timeout);
    // Reads no more of the standard output: the child's later writes to it
    // fail rather than filling a pipe nobody empties.
    void closeOutput();

    // Writes `input` to the standard input and closes it, reads the output
    // until the child closes it, and waits for the end. Throws when that takes
    // longer than `timeout`; the child is killed first.
    CommandResult finish(const std::string& input = {},
                         std::chrono::milliseconds timeout = defaultChildTimeout);

    // Waits until the child stops itself (SIGSTOP): true, or false when it
    // ended instead. Throws after `timeout`.
    bool waitUntilStopped(std::chrono::milliseconds timeout = defaultChildTimeout);
    // Lets a child that stopped itself go on.
    void resume();
    // Sends `signal` to the child.
    void signal(int signal);
    // The exit status (or 128 + the signal) once the child has ended, or none
    // when it is still running after `timeout`.
    std::optional<int> waitFor(std::chrono::milliseconds timeout);
    // The exit status (or 128 + the signal); throws when the child is still
    // running after `timeout`, and kills it.
    int wait(std::chrono::milliseconds timeout = defaultChildTimeout);
    // Ends the child at once (SIGKILL), as a crash would, and reaps it.
    void kill();

    // The child's standard output and error so far, with ChildOutput::Files.
    std::string out() const;
    std::string err() const;

private:
    [[noreturn]] void giveUp(const std::string& waitingFor);
    void closeInput();
    void closePipes();

    std::string m_program;
    pid_t m_pid = -1;
    std::optional<int> m_status;
    int m_input = -1;
    int m_output = -1;
    int m_error = -1;
    std::filesystem::path m_outFile;
    std::filesystem::path m_errFile;
};

// Runs a program to its end with `environment` changes and `input` on its
// standard input, capturing standard output and error separately; used to
// drive the command-line programs as a user would.
CommandResult runCommand(const std::vector<std::string>& argv,
                         const std::vector<std::string>& environment = {},
                         const std::string& input = {});

} // namespace dbc::test
