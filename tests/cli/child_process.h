#pragma once

#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

namespace dbc::test {

// A program run in the background, its standard output and error going to
// files, that a test can find stopped at a test point, let go on, or wait
// for.
class ChildProcess {
public:
    // Starts argv[0] with `environment` changes ("NAME=value" sets, "NAME"
    // removes); its output files are made in `outputDir`.
    ChildProcess(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                 const std::filesystem::path& outputDir);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Waits until the program stops itself (SIGSTOP). False when it ended
    // instead.
    bool waitUntilStopped();
    // Lets a stopped program go on.
    void resume();
    // Waits for the end; the exit status, or 128 + the signal that ended it.
    int wait();

    std::string out() const;
    std::string err() const;

private:
    pid_t m_pid = -1;
    std::filesystem::path m_out;
    std::filesystem::path m_err;
    int m_status = -1;
};

} // namespace dbc::test
