// The command line under crashes, dying and hung servers and damaged files:
// the test build of the program (dbcompare-testpoints) is killed or stopped
// at chosen points, against the project's test server.

#include "data/sqlite_connection.h"
#include "snapshot/snapshot_store.h"
#include "tests/support/child_process.h"
#include "tests/support/test_server_process.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <csignal>
#include <fstream>
#include <netinet/in.h>
#include <sstream>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace dbc {
namespace {

namespace fs = std::filesystem;
using test::ChildProcess;
using test::CommandResult;
using test::readFile;
using test::TempDir;
using test::TestServerProcess;

const std::string password = "s3cr;et=pw";
constexpr int killedStatus = 128 + SIGKILL;

void writeFile(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

fs::path sourceDir() {
    return fs::path(DBCOMPARE_SOURCE_DIR);
}

// The files in `dir` but `keep`.
std::vector<std::string> otherFiles(const fs::path& dir, const std::vector<std::string>& keep) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) {
        std::string name = entry.path().filename().string();
        if (std::find(keep.begin(), keep.end(), name) == keep.end())
            names.push_back(name);
    }
    return names;
}

std::size_t lineCount(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

class Reliability : public testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = new TempDir;
        const fs::path data = s_dir->path() / "data";
        test::loadCatalog(data, "src", sourceDir() / "tests/capture/capture_source.sql");
        test::loadCatalog(data, "hrms_new", test::fixturesDir() / "hrms_new.sql");
        test::loadCatalog(data, "hrms_old", test::fixturesDir() / "hrms_old.sql");
        s_server = new TestServerProcess(data, {"--user", "sa", "--password", password});
    }
    static void TearDownTestSuite() {
        delete s_server;
        delete s_dir;
    }

    // Runs the program to its end; no output may carry the password.
    CommandResult run(std::vector<std::string> args, std::vector<std::string> env = {}) {
        args.insert(args.begin(), DBCOMPARE_TESTPOINTS_PATH);
        env.insert(env.end(), {"DBCOMPARE_PASSWORD"});
        CommandResult result = test::runCommand(args, env);
        EXPECT_EQ(result.out.find(password), std::string::npos) << result.out;
        EXPECT_EQ(result.err.find(password), std::string::npos) << result.err;
        return result;
    }
    // Runs the program with a test point armed.
    CommandResult runUntil(const std::string& point, std::vector<std::string> args) {
        return run(std::move(args), {"DBCOMPARE_TEST_POINT=" + point});
    }
    std::unique_ptr<ChildProcess> start(std::vector<std::string> args, const std::string& stopAt) {
        args.insert(args.begin(), DBCOMPARE_TESTPOINTS_PATH);
        return std::make_unique<ChildProcess>(
            args, test::ChildOptions::inFiles(m_dir.path(), {"DBCOMPARE_PASSWORD",
                                                             "DBCOMPARE_TEST_POINT=" + stopAt,
                                                             "DBCOMPARE_TEST_ACTION=stop"}));
    }

    static std::vector<std::string> on(const std::string& server, const std::string& database,
                                       const fs::path& store) {
        return {"-S", server, "-d", database, "-U", "sa", "-P", password, "--store", store};
    }
    std::vector<std::string> capture(const std::string& database, const fs::path& store,
                                     const std::string& server = {}) {
        auto args = on(server.empty() ? s_server->serverName() : server, database, store);
        args.insert(args.begin(), "capture");
        return args;
    }
    std::vector<std::string> compare(const fs::path& store, std::vector<std::string> extra = {}) {
        auto args = on(s_server->serverName(), "hrms_old", store);
        args.insert(args.begin(), "compare");
        args.insert(args.end(), extra.begin(), extra.end());
        return args;
    }
    // What `show` says of a store, without the lines that differ between
    // two captures of one database (its path, the time).
    std::string contents(const fs::path& store) {
        auto shown = run({"show", "--store", store});
        EXPECT_EQ(shown.exitCode, 0) << shown.err;
        std::string kept;
        std::istringstream lines(shown.out);
        for (std::string line; std::getline(lines, line);) {
            if (line.rfind("snapshot ", 0) != 0 && line.rfind("captured ", 0) != 0)
                kept += line + "\n";
        }
        return kept;
    }
    fs::path store() const { return m_dir.path() / "Source.mdb"; }
    // A store holding the capture of `database`.
    fs::path captured(const std::string& database) {
        fs::path path = m_dir.path() / (database + ".mdb");
        auto result = run(capture(database, path));
        EXPECT_EQ(result.exitCode, 0) << result.err;
        return path;
    }

    static TempDir* s_dir;
    static TestServerProcess* s_server;
    TempDir m_dir;
};

TempDir* Reliability::s_dir = nullptr;
TestServerProcess* Reliability::s_server = nullptr;

// --- The snapshot file -----------------------------------------------------

struct CrashPoint {
    std::string point;
    std::string expected; // "old" or "new"
};

std::ostream& operator<<(std::ostream& out, const CrashPoint& c) {
    return out << c.point;
}

// The cases of crash_points.txt: a point and "old" or "new" a line. A file
// that cannot be read or a line of another form throws, failing the suite.
std::vector<CrashPoint> crashPoints() {
    const fs::path file = sourceDir() / "tests/cli/crash_points.txt";
    std::ifstream in(file);
    if (!in)
        throw std::runtime_error("cannot read " + file.string());
    std::vector<CrashPoint> points;
    int number = 0;
    for (std::string line; std::getline(in, line);) {
        ++number;
        if (line.find_first_not_of(' ') == std::string::npos || line[0] == '#')
            continue;
        std::istringstream words(line);
        CrashPoint c;
        std::string extra;
        if (!(words >> c.point >> c.expected) || (words >> extra) ||
            (c.expected != "old" && c.expected != "new"))
            throw std::runtime_error(file.string() + ":" + std::to_string(number) +
                                     ": not \"point old\" or \"point new\": " + line);
        points.push_back(c);
    }
    if (points.empty())
        throw std::runtime_error(file.string() + " holds no case");
    return points;
}

class KilledCapture : public Reliability, public testing::WithParamInterface<CrashPoint> {};

TEST_P(KilledCapture, LeavesOneWholeSnapshotThatNeedsNoJournal) {
    const fs::path oldStore = captured("src");
    const fs::path newStore = captured("hrms_new");
    const std::string oldContents = contents(oldStore);
    const std::string newContents = contents(newStore);
    ASSERT_NE(oldContents, newContents);
    fs::copy_file(oldStore, store());

    auto killed = runUntil(GetParam().point, capture("hrms_new", store()));
    ASSERT_EQ(killed.exitCode, killedStatus) << "the point was not reached: " << killed.err;

    // The file alone, as a user would carry it to another machine.
    fs::path carried = m_dir.path() / "carried";
    fs::create_directory(carried);
    fs::copy_file(store(), carried / "Source.mdb");
    EXPECT_EQ(contents(carried / "Source.mdb"),
              GetParam().expected == "old" ? oldContents : newContents);
    const std::string expectedScript =
        run(compare(GetParam().expected == "old" ? oldStore : newStore)).out;
    EXPECT_EQ(run(compare(carried / "Source.mdb")).out, expectedScript);
    EXPECT_FALSE(fs::exists(store().string() + "-journal"));

    // The next capture clears the killed one's scratch file away.
    ASSERT_EQ(run(capture("src", store())).exitCode, 0);
    EXPECT_EQ(otherFiles(m_dir.path(), {"Source.mdb", "src.mdb", "hrms_new.mdb", "carried"}),
              std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Points, KilledCapture, testing::ValuesIn(crashPoints()));

TEST_F(Reliability, AFirstCaptureThatFailsCreatesNothing) {
    auto killed = runUntil("capture-row#3", capture("hrms_new", store()));
    ASSERT_EQ(killed.exitCode, killedStatus);
    EXPECT_FALSE(fs::exists(store()));
    // A capture that succeeds clears the killed one's scratch file away.
    ASSERT_EQ(run(capture("hrms_new", store())).exitCode, 0);
    fs::remove(store());

    auto wrongPassword = run({"capture", "-S", s_server->serverName(), "-d", "src", "-U", "sa",
                              "-P", "wrong", "--store", store()});
    EXPECT_EQ(wrongPassword.exitCode, 3);
    auto unknownDatabase = run(capture("no_such_db", store()));
    EXPECT_EQ(unknownDatabase.exitCode, 3);
    EXPECT_FALSE(fs::exists(store()));
    EXPECT_EQ(otherFiles(m_dir.path(), {}), std::vector<std::string>{});

    for (const char* command : {"show", "compare", "execute"}) {
        auto result = command == std::string("show") ? run({"show", "--store", store()}) : run([&] {
            auto args = compare(store());
            args[0] = command;
            return args;
        }());
        EXPECT_EQ(result.exitCode, 3) << command;
        EXPECT_NE(result.err.find("holds no captured database"), std::string::npos) << result.err;
        EXPECT_EQ(result.out, "") << command;
        EXPECT_EQ(lineCount(result.err), 1u) << result.err;
    }
    EXPECT_FALSE(fs::exists(store()));
}

TEST_F(Reliability, AnEmptyStoreOfAnEarlierVersionHoldsNothingCaptured) {
    SnapshotStore::open(store()); // the six tables, empty, and nothing else
    auto shown = run({"show", "--store", store()});
    EXPECT_EQ(shown.exitCode, 3);
    EXPECT_NE(shown.err.find("holds no captured database"), std::string::npos) << shown.err;
    auto compared = run(compare(store()));
    EXPECT_EQ(compared.exitCode, 3);
    EXPECT_EQ(compared.out, "");
}

TEST_F(Reliability, ACompareReadsTheSnapshotItOpenedWhileACaptureReplacesIt) {
    const fs::path oldStore = captured("src");
    const std::string oldScript = run(compare(oldStore)).out;
    fs::copy_file(oldStore, store());

    auto comparing = start(compare(store()), "compare-connected");
    ASSERT_TRUE(comparing->waitUntilStopped()) << comparing->err();
    auto replaced = run(capture("hrms_new", store()));
    ASSERT_EQ(replaced.exitCode, 0) << replaced.err;
    comparing->resume();
    EXPECT_EQ(comparing->wait(), 0) << comparing->err();
    EXPECT_EQ(comparing->out(), oldScript);

    const std::string newScript = run(compare(store())).out;
    EXPECT_NE(newScript, oldScript);
    EXPECT_EQ(newScript, run(compare(captured("hrms_new"))).out);
}

// --- Output files ----------------------------------------------------------

TEST_F(Reliability, AScriptFileIsWrittenWholeOrNotAtAll) {
    fs::copy_file(captured("src"), store());
    const std::string storeBytes = readFile(store());
    const std::string script = run(compare(store())).out;
    const fs::path out = m_dir.path() / "upgrade.sql";

    // The snapshot file itself is refused, and stays as it was.
    auto onStore = run(compare(store(), {"-o", store()}));
    EXPECT_EQ(onStore.exitCode, 2);
    EXPECT_NE(onStore.err.find("snapshot file"), std::string::npos) << onStore.err;
    EXPECT_EQ(readFile(store()), storeBytes);

    // A file that cannot grow (as on a full disk) keeps its old text.
    writeFile(out, "the previous script\n");
    std::vector<std::string> limited{"/bin/sh", "-c", "ulimit -f 0; exec \"$@\"", "sh",
                                     DBCOMPARE_TESTPOINTS_PATH};
    for (const auto& a : compare(store(), {"-o", out.string()}))
        limited.push_back(a);
    auto full = test::runCommand(limited, {"DBCOMPARE_PASSWORD"});
    EXPECT_EQ(full.exitCode, 2) << full.err;
    EXPECT_NE(full.err.find("upgrade.sql: File too large"), std::string::npos) << full.err;
    EXPECT_EQ(lineCount(full.err), 1u) << full.err;
    EXPECT_EQ(readFile(out), "the previous script\n");

    // A file made read-only is not replaced.
    ::chmod(out.c_str(), 0444);
    auto readOnly = run(compare(store(), {"-o", out.string()}));
    EXPECT_EQ(readOnly.exitCode, 2);
    EXPECT_NE(readOnly.err.find("upgrade.sql: Permission denied"), std::string::npos)
        << readOnly.err;
    EXPECT_EQ(readFile(out), "the previous script\n");

    auto noFolder = run(compare(store(), {"-o", (m_dir.path() / "none" / "a.sql").string()}));
    EXPECT_EQ(noFolder.exitCode, 2);
    EXPECT_NE(noFolder.err.find("No such file or directory"), std::string::npos) << noFolder.err;

    // A pipe is written, not replaced.
    const fs::path pipe = m_dir.path() / "pipe";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    std::string piped;
    std::thread reader([&] { piped = readFile(pipe); });
    auto toPipe = run(compare(store(), {"-o", pipe.string()}));
    reader.join();
    EXPECT_EQ(toPipe.exitCode, 0) << toPipe.err;
    EXPECT_EQ(piped, script);
    EXPECT_TRUE(fs::is_fifo(pipe));
    fs::remove(pipe);

    ::chmod(out.c_str(), 0640);
    auto written = run(compare(store(), {"-o", out.string()}));
    EXPECT_EQ(written.exitCode, 0) << written.err;
    EXPECT_EQ(readFile(out), script);
    struct stat info {};
    ::stat(out.c_str(), &info);
    EXPECT_EQ(info.st_mode & 0777, 0640u) << "the file keeps its permissions";
    EXPECT_EQ(otherFiles(m_dir.path(), {"Source.mdb", "src.mdb", "upgrade.sql"}),
              std::vector<std::string>{});
}

// --- Store errors name the file and the cause ------------------------------

TEST_F(Reliability, ACaptureThatRunsOutOfRoomKeepsTheOldSnapshot) {
    fs::copy_file(captured("src"), store());
    const std::string before = readFile(store());
    // Files may not grow beyond 16 KiB: the new snapshot cannot be written
    // whole.
    std::vector<std::string> limited{"/bin/sh", "-c", "ulimit -f 32; exec \"$@\"", "sh",
                                     DBCOMPARE_TESTPOINTS_PATH};
    for (const auto& a : capture("hrms_new", store()))
        limited.push_back(a);
    auto full = test::runCommand(limited, {"DBCOMPARE_PASSWORD"});
    EXPECT_EQ(full.exitCode, 3) << full.err;
    EXPECT_NE(full.err.find("the snapshot file " + store().string()), std::string::npos)
        << full.err;
    EXPECT_NE(full.err.find("File too large"), std::string::npos) << full.err;
    EXPECT_EQ(lineCount(full.err), 1u) << full.err;
    EXPECT_TRUE(readFile(store()) == before) << "the old snapshot changed";
    EXPECT_EQ(otherFiles(m_dir.path(), {"Source.mdb", "src.mdb"}), std::vector<std::string>{});
}

// A store whose pages after the first are overwritten.
void damage(const fs::path& path) {
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(4096);
    for (int i = 0; i < 4096; ++i)
        file.put(static_cast<char>(0xA5));
}

TEST_F(Reliability, AReadOnlyOrLockedStoreIsReportedBeforeTheSourceIsRead) {
    fs::copy_file(captured("src"), store());
    const std::string before = readFile(store());
    // The server named cannot be reached: an error about it would mean the
    // store was not checked first.
    const std::string nowhere = "127.0.0.1,1";

    ::chmod(store().c_str(), 0444);
    auto readOnly = run(capture("src", store(), nowhere));
    EXPECT_EQ(readOnly.exitCode, 3);
    EXPECT_NE(readOnly.err.find(store().string() + ": the file is read-only"), std::string::npos)
        << readOnly.err;
    ::chmod(store().c_str(), 0644);

    {
        SqliteConnection other(store(), SqliteConnection::OpenMode::ExistingReadWrite);
        other.execute("BEGIN EXCLUSIVE; DELETE FROM SourceDF");
        auto locked = run(capture("src", store(), nowhere));
        EXPECT_EQ(locked.exitCode, 3);
        EXPECT_NE(locked.err.find("the snapshot file " + store().string() +
                                  " is locked by another program"),
                  std::string::npos)
            << locked.err;
        other.execute("ROLLBACK");
    }
    EXPECT_EQ(readFile(store()), before);
}

TEST_F(Reliability, AFolderThatTakesNoNewFileIsReported) {
    if (::geteuid() != 0 && ::access("/usr/bin/setpriv", X_OK) != 0)
        GTEST_SKIP() << "needs root and setpriv to run the program as another user";
    fs::path folder = m_dir.path() / "locked";
    fs::create_directory(folder);
    fs::copy_file(captured("src"), folder / "Source.mdb");
    ::chmod(m_dir.path().c_str(), 0755);
    ::chmod((folder / "Source.mdb").c_str(), 0666);
    ::chmod(folder.c_str(), 0555);
    std::vector<std::string> args{"/usr/bin/setpriv", "--reuid=65534", "--regid=65534",
                                  "--clear-groups", DBCOMPARE_TESTPOINTS_PATH};
    for (const auto& a : capture("src", folder / "Source.mdb", "127.0.0.1,1"))
        args.push_back(a);
    auto result = test::runCommand(args, {"DBCOMPARE_PASSWORD"});
    ::chmod(folder.c_str(), 0755);
    EXPECT_EQ(result.exitCode, 3) << result.err;
    EXPECT_NE(result.err.find("cannot create a file in the folder " + folder.string() +
                              ": Permission denied"),
              std::string::npos)
        << result.err;
}

TEST_F(Reliability, ADamagedStoreIsNamedAndShowPrintsNothing) {
    fs::copy_file(captured("hrms_new"), store());
    damage(store());
    auto shown = run({"show", "--store", store()});
    EXPECT_EQ(shown.exitCode, 3);
    EXPECT_EQ(shown.out, "");
    EXPECT_NE(shown.err.find(store().string() + " is damaged"), std::string::npos) << shown.err;
    auto compared = run(compare(store()));
    EXPECT_EQ(compared.exitCode, 3);
    EXPECT_NE(compared.err.find(store().string() + " is damaged"), std::string::npos)
        << compared.err;
    EXPECT_EQ(compared.err.find("hrms_old"), std::string::npos)
        << "the target is not to blame: " << compared.err;
}

TEST_F(Reliability, AJournalThatCannotBeRolledBackIsNamed) {
    fs::copy_file(captured("src"), store());
    {
        // A writer caught mid-transaction: the file and its hot journal.
        fs::path writing = m_dir.path() / "writing.mdb";
        fs::copy_file(store(), writing);
        SqliteConnection writer(writing, SqliteConnection::OpenMode::ExistingReadWrite);
        writer.execute("PRAGMA cache_size=1; BEGIN; DELETE FROM SourceTable;"
                       "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                       "WHERE i < 3000) INSERT INTO SourceSp (SpName, SpText) SELECT 'p', "
                       "hex(randomblob(200)) "
                       "FROM n");
        fs::remove(store());
        fs::copy_file(writing, store());
        fs::copy_file(writing.string() + "-journal", store().string() + "-journal");
    }
    ::chmod(store().c_str(), 0444);
    auto shown = run({"show", "--store", store()});
    EXPECT_EQ(shown.exitCode, 3);
    EXPECT_EQ(shown.out, "");
    EXPECT_NE(shown.err.find(store().string() + " has an unfinished write"), std::string::npos)
        << shown.err;

    // Writable again, the journal is rolled back and the snapshot is whole.
    ::chmod(store().c_str(), 0644);
    EXPECT_EQ(contents(store()), contents(m_dir.path() / "src.mdb"));
}

// --- Connections -----------------------------------------------------------

// A server of its own, that a test may kill or stop.
struct OwnServer {
    TempDir dir;
    std::unique_ptr<TestServerProcess> server;
    explicit OwnServer(const std::vector<std::string>& databases) {
        for (const auto& name : databases)
            test::loadCatalog(dir.path(), name, test::fixturesDir() / (name + ".sql"));
        server = std::make_unique<TestServerProcess>(
            dir.path(), std::vector<std::string>{"--user", "sa", "--password", password});
    }
};

TEST_F(Reliability, ALostConnectionStopsExecuteAtThatStatement) {
    fs::copy_file(captured("hrms_new"), store());
    OwnServer target({"hrms_old"});
    auto args = on(target.server->serverName(), "hrms_old", store());
    args.insert(args.begin(), "execute");

    auto executing = start(args, "execute-statement#3");
    ASSERT_TRUE(executing->waitUntilStopped()) << executing->err();
    target.server->kill();
    executing->resume();
    EXPECT_EQ(executing->wait(), 3);
    const std::string err = executing->err();
    const std::string lost = "was lost at statement 3 of ";
    ASSERT_NE(err.find(lost), std::string::npos) << err;
    EXPECT_EQ(lineCount(err), 1u) << err;
    const int total = std::atoi(err.c_str() + err.find(lost) + lost.size());
    EXPECT_GT(total, 10) << err;

    const std::string out = executing->out();
    EXPECT_NE(
        out.find("执行第 3 条语句(共 " + std::to_string(total) + " 条)时与服务器的连接已断开"),
        std::string::npos)
        << out;
    EXPECT_EQ(out.find("执行完毕"), std::string::npos) << out;
    // Nothing is listed as refused: the statement that met the loss follows
    // with the driver's message rather than FreeTDS's first "Unknown error",
    // and whether it took effect is unknown.
    EXPECT_EQ(out.find("以上是不能处理的语句"), std::string::npos) << out;
    EXPECT_EQ(lineCount(out), 3u) << out;
    EXPECT_NE(out.find("\nCommunication link failure\n"), std::string::npos) << out;
}

TEST_F(Reliability, AServerThatDiesMidCaptureGivesTheDriversMessage) {
    fs::copy_file(captured("src"), store());
    const std::string before = contents(store());
    OwnServer source({"hrms_new"});
    auto capturing =
        start(capture("hrms_new", store(), source.server->serverName()), "capture-row#40");
    ASSERT_TRUE(capturing->waitUntilStopped()) << capturing->err();
    source.server->kill();
    capturing->resume();
    EXPECT_EQ(capturing->wait(), 3);
    const std::string err = capturing->err();
    EXPECT_EQ(err.find("Unknown error"), std::string::npos) << err;
    EXPECT_NE(err.find("the snapshot is unchanged"), std::string::npos) << err;
    EXPECT_EQ(lineCount(err), 1u) << err;
    EXPECT_EQ(contents(store()), before);
}

// A listener that takes connections and never answers: a hung server.
class SilentListener {
public:
    SilentListener() {
        m_socket = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(m_socket, 8);
        socklen_t length = sizeof address;
        ::getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
    }
    ~SilentListener() { ::close(m_socket); }
    std::string serverName() const { return "127.0.0.1," + std::to_string(m_port); }

private:
    int m_socket = -1;
    int m_port = 0;
};

TEST_F(Reliability, AHungServerTimesOut) {
    fs::copy_file(captured("src"), store());
    const std::string before = readFile(store());
    SilentListener hung;
    auto args = capture("src", store(), hung.serverName());
    args.insert(args.end(), {"--login-timeout", "2"});
    auto login = run(args);
    EXPECT_EQ(login.exitCode, 3);
    EXPECT_NE(login.err.find("cannot connect"), std::string::npos) << login.err;
    EXPECT_NE(login.err.find("Timeout expired"), std::string::npos) << login.err;
    EXPECT_EQ(readFile(store()), before);

    // A server that stops answering after the login.
    OwnServer target({"hrms_old"});
    auto stalled = on(target.server->serverName(), "hrms_old", store());
    stalled.insert(stalled.begin(), "compare");
    stalled.insert(stalled.end(), {"--query-timeout", "2"});
    auto comparing = start(stalled, "compare-connected");
    ASSERT_TRUE(comparing->waitUntilStopped()) << comparing->err();
    ::kill(target.server->pid(), SIGSTOP);
    comparing->resume();
    const int status = comparing->wait();
    ::kill(target.server->pid(), SIGCONT);
    EXPECT_EQ(status, 3) << comparing->err();
    EXPECT_NE(comparing->err().find("imeout"), std::string::npos) << comparing->err();
    EXPECT_EQ(comparing->out(), "");
    EXPECT_EQ(lineCount(comparing->err()), 1u) << comparing->err();
}

// --- The command line ------------------------------------------------------

TEST_F(Reliability, UsageErrorsAreOneLineWithStatusTwoAndCreateNothing) {
    auto emptyDatabase = run({"capture", "-S", s_server->serverName(), "-d", "", "-U", "sa", "-P",
                              password, "--store", store()});
    EXPECT_EQ(emptyDatabase.exitCode, 2);
    EXPECT_EQ(emptyDatabase.err.rfind("dbcompare: ", 0), 0u) << emptyDatabase.err;
    EXPECT_EQ(lineCount(emptyDatabase.err), 1u);
    EXPECT_EQ(emptyDatabase.out, "");
    EXPECT_FALSE(fs::exists(store()));

    auto misplaced = run({"show", "-P", password});
    EXPECT_EQ(misplaced.exitCode, 2);
    EXPECT_EQ(lineCount(misplaced.err), 1u) << misplaced.err;

    const fs::path empty = m_dir.path() / "empty.sql";
    writeFile(empty, " \n");
    auto emptyFile = run({"exec-one", "-S", s_server->serverName(), "-d", "hrms_old", "-U", "sa",
                          "-P", password, "-i", empty.string()});
    EXPECT_EQ(emptyFile.exitCode, 2);
    EXPECT_NE(emptyFile.err.find("holds no command text"), std::string::npos) << emptyFile.err;
    auto missingFile = run({"exec-one", "-i", (m_dir.path() / "none.sql").string()});
    EXPECT_EQ(missingFile.exitCode, 2);
    EXPECT_NE(missingFile.err.find("No such file or directory"), std::string::npos)
        << missingFile.err;
}

} // namespace
} // namespace dbc
