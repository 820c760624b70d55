// The tests' one launcher: what a child is given and what comes back, kept as
// cases in cases/launcher_runs.cases, and that no child outlives its test.
#include "tests/support/child_process.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/tsv_cases.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <sstream>

namespace dbc::test {
namespace {

// "-" is an empty field and "N*c" N times the character c.
std::string expand(const std::string& field) {
    if (field == "-")
        return {};
    const auto star = field.find('*');
    if (star != std::string::npos && star > 0 && star + 2 == field.size() &&
        field.find_first_not_of("0123456789") == star)
        return std::string(std::stoul(field.substr(0, star)), field.back());
    return field;
}

std::vector<std::string> words(const std::string& field) {
    std::vector<std::string> result;
    std::istringstream in(expand(field));
    for (std::string word; in >> word;)
        result.push_back(word);
    return result;
}

// True while a process of that id exists (a reaped child does not).
bool exists(pid_t pid) {
    return ::kill(pid, 0) == 0 || errno != ESRCH;
}

class LauncherRuns : public ::testing::TestWithParam<CaseLine> {
protected:
    static void SetUpTestSuite() {
        ::setenv("DBC_LAUNCHER_SET", "kept", 1);
        ::setenv("DBC_LAUNCHER_GONE", "kept", 1);
    }
};

TEST_P(LauncherRuns, GivesTheChildItsEnvironmentAndInputAndReturnsItsOutput) {
    const auto& f = GetParam().fields;
    ASSERT_EQ(f.size(), 7u);
    const ChildOptions options = f[3] == "interleaved" ? ChildOptions::interleaved(words(f[1]))
                                                       : ChildOptions::captured(words(f[1]));
    const CommandResult result =
        ChildProcess({"/bin/sh", "-c", f[0]}, options).finish(expand(f[2]));
    EXPECT_EQ(result.exitCode, std::stoi(f[4]));
    EXPECT_EQ(result.out, expand(f[5]));
    EXPECT_EQ(result.err, expand(f[6]));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LauncherRuns,
    ::testing::ValuesIn(readCaseFile(caseFilePath("support/cases/launcher_runs.cases"))),
    CaseLineName());

TEST(Launcher, ChildStillRunningAtTheTimeoutIsKilledAndReported) {
    ChildProcess child({"sleep", "30"});
    try {
        child.wait(std::chrono::milliseconds(200));
        FAIL() << "the wait returned";
    } catch (const std::runtime_error& error) {
        EXPECT_NE(std::string(error.what()).find("sleep"), std::string::npos) << error.what();
    }
    EXPECT_FALSE(exists(child.pid()));
    EXPECT_THROW(ChildProcess({"sleep", "30"}).finish({}, std::chrono::milliseconds(200)),
                 std::runtime_error);
}

TEST(Launcher, RunningOrStoppedChildEndsWithItsObject) {
    pid_t running = -1;
    pid_t stopped = -1;
    {
        ChildProcess sleeper({"sleep", "30"});
        ChildProcess stopper({"/bin/sh", "-c", "kill -STOP $$; sleep 30"});
        running = sleeper.pid();
        stopped = stopper.pid();
        ASSERT_TRUE(stopper.waitUntilStopped(std::chrono::seconds(20)));
    }
    EXPECT_FALSE(exists(running));
    EXPECT_FALSE(exists(stopped));
}

TEST(Launcher, StoppedChildWritesToFilesAndGoesOnWhenResumed) {
    ScratchDir dir;
    ChildProcess child({"/bin/sh", "-c", "echo before; kill -STOP $$; echo after >&2; exit 4"},
                       ChildOptions::inFiles(dir.path()));
    ASSERT_TRUE(child.waitUntilStopped(std::chrono::seconds(20)));
    EXPECT_EQ(child.out(), "before\n");
    EXPECT_EQ(child.err(), "");
    child.resume();
    EXPECT_EQ(child.wait(std::chrono::seconds(20)), 4);
    EXPECT_EQ(child.err(), "after\n");
    EXPECT_FALSE(child.waitUntilStopped(std::chrono::seconds(1)));
}

TEST(Launcher, ProgramThatCannotStartIsNamed) {
    try {
        ChildProcess child({"/nonexistent/dbcompare-program"});
        FAIL() << "the program started";
    } catch (const std::runtime_error& error) {
        EXPECT_NE(std::string(error.what()).find("/nonexistent/dbcompare-program"),
                  std::string::npos)
            << error.what();
    }
}

std::size_t openDescriptors() {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++count;
    return count;
}

TEST(Launcher, EveryWayOfEndingClosesTheTestsDescriptors) {
    const std::size_t before = openDescriptors();
    runCommand({"/bin/sh", "-c", "echo x; echo y >&2"}, {}, "input");
    EXPECT_THROW(ChildProcess({"/nonexistent/dbcompare-program"}), std::runtime_error);
    EXPECT_THROW(ChildProcess({"sleep", "30"}, ChildOptions::interleaved())
                     .wait(std::chrono::milliseconds(100)),
                 std::runtime_error);
    { ChildProcess abandoned({"sleep", "30"}); }
    EXPECT_EQ(openDescriptors(), before);
}

TEST(Launcher, ServerLineIsReadAndLaterOutputDoesNotBlockTheChild) {
    ChildProcess child(
        {"/bin/sh", "-c", "echo listening; head -c 300000 /dev/zero 2>/dev/null; exit 0"},
        ChildOptions::outputOnly());
    EXPECT_EQ(child.readOutputLine(std::chrono::seconds(20)), "listening");
    child.closeOutput();
    // Writing to the closed pipe ends head (SIGPIPE), and the shell exits.
    EXPECT_EQ(child.wait(std::chrono::seconds(20)), 0);
}

} // namespace
} // namespace dbc::test
