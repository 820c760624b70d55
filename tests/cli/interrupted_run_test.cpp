// Runs that end badly: Ctrl-C or SIGTERM during execute, a second Ctrl-C, a
// connection lost while a statement ran, the password prompt left with
// Ctrl-C or Ctrl-D. The test build of the program (dbcompare-testpoints)
// stops itself before a chosen statement, so the signal comes at a known
// moment.

#include "tests/support/child_process.h"
#include "tests/support/test_server_process.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <thread>

namespace dbc {
namespace {

namespace fs = std::filesystem;
using test::ChildProcess;
using test::TempDir;
using test::TestServerProcess;

const std::string password = "s3cr;et=pw";

std::size_t lineCount(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

class InterruptedRun : public testing::Test {
protected:
    void SetUp() override {
        const fs::path data = m_dir.path() / "data";
        for (const char* name : {"hrms_new", "hrms_old"})
            test::loadCatalog(data, name, test::fixturesDir() / (std::string(name) + ".sql"));
        m_server = std::make_unique<TestServerProcess>(
            data, std::vector<std::string>{"--user", "sa", "--password", password});
        auto captured =
            test::runCommand({DBCOMPARE_TESTPOINTS_PATH, "capture", "-S", m_server->serverName(),
                              "-d", "hrms_new", "-U", "sa", "-P", password, "--store", store()});
        ASSERT_EQ(captured.exitCode, 0) << captured.err;
    }
    fs::path store() const { return m_dir.path() / "Source.mdb"; }
    std::vector<std::string> execute(bool withPassword = true) const {
        std::vector<std::string> args{DBCOMPARE_TESTPOINTS_PATH,
                                      "execute",
                                      "-S",
                                      m_server->serverName(),
                                      "-d",
                                      "hrms_old",
                                      "-U",
                                      "sa",
                                      "--store",
                                      store()};
        if (withPassword)
            args.insert(args.end(), {"-P", password});
        return args;
    }
    // The program, stopped by itself before its statement `number`.
    std::unique_ptr<ChildProcess> executeUntilStatement(int number) {
        return std::make_unique<ChildProcess>(
            execute(),
            test::ChildOptions::inFiles(
                m_dir.path(), {"DBCOMPARE_PASSWORD",
                               "DBCOMPARE_TEST_POINT=execute-statement#" + std::to_string(number),
                               "DBCOMPARE_TEST_ACTION=stop"}));
    }

    TempDir m_dir;
    std::unique_ptr<TestServerProcess> m_server;
};

// Whether process `pid` is stopped (state T in /proc), waiting up to 5 s.
bool processStopped(pid_t pid) {
    const std::string statFile = "/proc/" + std::to_string(pid) + "/stat";
    for (int waited = 0; waited < 500; ++waited) {
        std::ifstream stat(statFile);
        std::string line;
        std::getline(stat, line);
        const auto close = line.rfind(')');
        if (close != std::string::npos && close + 2 < line.size() && line[close + 2] == 'T')
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

class StopSignal : public InterruptedRun, public testing::WithParamInterface<int> {};

TEST_P(StopSignal, StopsExecuteBetweenStatementsAndSaysHowFarItGot) {
    auto executing = executeUntilStatement(3);
    ASSERT_TRUE(executing->waitUntilStopped()) << executing->err();
    executing->signal(GetParam());
    executing->resume();
    // Statement 3 was under way: it ends, and nothing after it starts.
    EXPECT_EQ(executing->wait(), 5) << executing->err();
    const std::string err = executing->err();
    EXPECT_NE(err.find("dbcompare: stopped on request before statement 4 of "), std::string::npos)
        << err;
    EXPECT_NE(err.find(": 3 run, 0 of them refused; the rest were not run"), std::string::npos)
        << err;
    EXPECT_EQ(lineCount(err), 1u) << err;
    const std::string out = executing->out();
    EXPECT_NE(out.find("已按要求在第 4 条语句(共 "), std::string::npos) << out;
    EXPECT_NE(out.find("已执行 3 条,其中 0 条被拒绝,其后的语句没有执行。"), std::string::npos)
        << out;
    EXPECT_EQ(out.find("执行完毕"), std::string::npos) << out;
}

INSTANTIATE_TEST_SUITE_P(CtrlCAndTerm, StopSignal, testing::Values(SIGINT, SIGTERM));

TEST_F(InterruptedRun, ASecondCtrlCEndsTheProgramAtOnce) {
    auto executing = executeUntilStatement(3);
    ASSERT_TRUE(executing->waitUntilStopped()) << executing->err();
    // The server stops answering: statement 3 waits for it. SIGSTOP takes
    // effect when the kernel next schedules the server, so wait until it has.
    ::kill(m_server->pid(), SIGSTOP);
    ASSERT_TRUE(processStopped(m_server->pid())) << "the test server did not stop";
    executing->signal(SIGINT);
    executing->resume();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_FALSE(executing->waitFor(std::chrono::milliseconds(0))) << "ended before the second";
    executing->signal(SIGINT);
    EXPECT_EQ(executing->waitFor(std::chrono::seconds(10)), 128 + SIGINT);
    ::kill(m_server->pid(), SIGCONT);
}

TEST_F(InterruptedRun, TheStatementInFlightWhenTheConnectionDiesIsNotCalledRefused) {
    auto executing = executeUntilStatement(3);
    ASSERT_TRUE(executing->waitUntilStopped()) << executing->err();
    m_server->kill();
    executing->resume();
    EXPECT_EQ(executing->wait(), 3);
    const std::string err = executing->err();
    EXPECT_NE(err.find("was lost at statement 3 of "), std::string::npos) << err;
    EXPECT_NE(err.find("while it ran; whether it took effect is unknown"), std::string::npos)
        << err;
    EXPECT_EQ(lineCount(err), 1u) << err;
    const std::string out = executing->out();
    EXPECT_NE(out.find("时与服务器的连接已断开,不知道这条语句是否已生效,其后的语句没有执行。"),
              std::string::npos)
        << out;
    // Statements 1 and 2 were not refused: there is no list of refused
    // statements and no advice about them.
    EXPECT_EQ(out.find("以上是不能处理的语句"), std::string::npos) << out;
}

// The prompt as a user meets it, on a terminal: the keys are typed once it
// shows; the terminal must echo again afterwards.
struct PromptCase {
    std::string keys;
    std::string said; // part of the one-line error
};

class PasswordPrompt : public InterruptedRun, public testing::WithParamInterface<PromptCase> {};

TEST_P(PasswordPrompt, CancelsAndGivesTheTerminalBack) {
    auto args = execute(false);
    args.insert(args.begin(),
                {"python3", std::string(DBCOMPARE_SOURCE_DIR) + "/tests/cli/run_in_terminal.py",
                 "--after", "Password: ", "--send", GetParam().keys, "--"});
    auto result = test::runCommand(args, {"DBCOMPARE_PASSWORD"});
    EXPECT_NE(result.out.find("exit=5 echo=on"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find(GetParam().said), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("nothing was done"), std::string::npos) << result.out;
}

INSTANTIATE_TEST_SUITE_P(Keys, PasswordPrompt,
                         testing::Values(PromptCase{"\\x03", "cancelled (Ctrl-C)"},
                                         PromptCase{"\\x04", "cancelled (end of input, Ctrl-D)"},
                                         PromptCase{"secr\\x03", "cancelled (Ctrl-C)"}),
                         [](const auto& param) { return "case" + std::to_string(param.index); });

TEST_F(InterruptedRun, APasswordTypedAtThePromptIsUsed) {
    auto args = execute(false);
    args.insert(args.begin(),
                {"python3", std::string(DBCOMPARE_SOURCE_DIR) + "/tests/cli/run_in_terminal.py",
                 "--after", "Password: ", "--send", password + "\\n", "--"});
    auto result = test::runCommand(args, {"DBCOMPARE_PASSWORD"});
    EXPECT_NE(result.out.find("echo=on"), std::string::npos) << result.out;
    EXPECT_EQ(result.out.find("Login failed"), std::string::npos) << result.out;
    EXPECT_EQ(result.out.find(password), std::string::npos) << "the password was echoed";
}

// A capture whose snapshot's disk fills up: the store's failure, naming the
// folder whose disk is full, never the source's. The disk is a small tmpfs in
// a mount namespace of the program's own.
TEST(CaptureOnAFullDisk, NamesTheSnapshotsDiskNotTheSource) {
    TempDir dir;
    const fs::path script = dir.path() / "many.sql";
    {
        std::ofstream out(script);
        for (int i = 0; i < 200; ++i) {
            out << "CREATE PROCEDURE p" << i << " AS\n  SELECT 0";
            for (int j = 1; j < 300; ++j)
                out << ", " << j;
            out << "\nGO\n";
        }
    }
    test::loadCatalog(dir.path() / "data", "many", script);
    TestServerProcess server(dir.path() / "data", {"--user", "sa", "--password", password});
    const fs::path small = dir.path() / "small";
    fs::create_directory(small);
    auto full = test::runCommand(
        {"unshare", "--mount", "/bin/sh", "-c",
         "mount -t tmpfs -o size=64k tmpfs \"$1\" || exit 99; shift; exec \"$@\"", "sh", small,
         DBCOMPARE_TESTPOINTS_PATH, "capture", "-S", server.serverName(), "-d", "many", "-U", "sa",
         "-P", password, "--store", small / "Source.mdb"},
        {"DBCOMPARE_PASSWORD"});
    if (full.exitCode == 99 || full.err.find("unshare: ") == 0)
        GTEST_SKIP() << "needs a mount namespace to make a small disk: " << full.err;
    EXPECT_EQ(full.exitCode, 3) << full.err;
    EXPECT_NE(full.err.find("the snapshot is unchanged: the snapshot file " +
                            (small / "Source.mdb").string() +
                            " cannot be written: the disk "
                            "that holds " +
                            small.string() + " is full"),
              std::string::npos)
        << full.err;
    EXPECT_EQ(full.err.find("reading the source"), std::string::npos) << full.err;
    EXPECT_EQ(lineCount(full.err), 1u) << full.err;
}

} // namespace
} // namespace dbc
