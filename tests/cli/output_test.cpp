// What the command line writes, and where it refuses to: the script file
// run through a query tool (FreeTDS's tsql) as a user would, a terminal that
// must not obey a name's control sequences, standard output that cannot be
// written, files that belong to the store, password files, input with NUL.

#include "data/sql_server_connection.h"
#include "tests/support/test_server_process.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>

namespace dbc {
namespace {

namespace fs = std::filesystem;
using test::CommandResult;
using test::readFile;
using test::TempDir;
using test::TestServerProcess;

const std::string password = "s3cr;et=pw";

fs::path testsDir() {
    return fs::path(DBCOMPARE_SOURCE_DIR) / "tests";
}

std::size_t lineCount(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

class Output : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = new TempDir;
        const fs::path data = s_dir->path() / "data";
        test::loadCatalog(data, "hsrc", testsDir() / "cli/hostile_source.sql");
        for (const char* target : {"htgt_file", "htgt_exec", "htgt"})
            test::loadCatalog(data, target, testsDir() / "cli/hostile_target.sql");
        s_server = new TestServerProcess(data, {"--user", "sa", "--password", password});
    }
    static void TearDownTestSuite() {
        delete s_server;
        delete s_dir;
    }
    void SetUp() override {
        auto captured = run(with({"capture"}, on("hsrc")));
        ASSERT_EQ(captured.exitCode, 0) << captured.err;
    }

    // Runs `argv` through /bin/sh `redirect` ("> /dev/full"), or directly.
    CommandResult run(std::vector<std::string> args, std::vector<std::string> env = {},
                      const std::string& redirect = {}) {
        std::vector<std::string> argv{DBCOMPARE_PROGRAM_PATH};
        argv.insert(argv.end(), args.begin(), args.end());
        if (!redirect.empty())
            argv.insert(argv.begin(), {"/bin/sh", "-c", "exec \"$@\" " + redirect, "sh"});
        env.insert(env.end(), {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"});
        CommandResult result = test::runCommand(argv, env);
        EXPECT_EQ(result.out.find(password), std::string::npos) << result.out;
        EXPECT_EQ(result.err.find(password), std::string::npos) << result.err;
        return result;
    }
    std::vector<std::string> on(const std::string& database) {
        return {
            "-S",   s_server->serverName(), "-d", database, "-U", "sa", "-P", password, "--store",
            store()};
    }
    static std::vector<std::string> with(std::vector<std::string> a,
                                         const std::vector<std::string>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    }
    fs::path store() const { return m_dir.path() / "Source.mdb"; }
    bool hasTable(const std::string& database, const std::string& table) {
        auto target =
            connectSqlServer({s_server->serverName(), database, "sa", password}, defaultOdbcDriver);
        return !target->open("SELECT name FROM sysobjects WHERE name = '" + table + "'").empty();
    }

    static TempDir* s_dir;
    static TestServerProcess* s_server;
    TempDir m_dir;
};

TempDir* Output::s_dir = nullptr;
TestServerProcess* Output::s_server = nullptr;

TEST_F(Output, TheScriptFileRunInAQueryToolHasExactlyTheEffectOfExecute) {
    const fs::path file = m_dir.path() / "upgrade.sql";
    auto written = run(with({"compare", "-o", file}, on("htgt_file")));
    ASSERT_EQ(written.exitCode, 0) << written.err;
    const std::string script = readFile(file);
    // The hidden lines are there, inside literals.
    ASSERT_NE(script.find("DROP TABLE Victim"), std::string::npos) << script;

    // As a user runs it: FreeTDS's tsql reads the file and sends each batch.
    const auto comma = s_server->serverName().find(',');
    auto tsql = test::runCommand({"tsql", "-H", s_server->serverName().substr(0, comma), "-p",
                                  s_server->serverName().substr(comma + 1), "-U", "sa", "-P",
                                  password, "-D", "htgt_file"},
                                 {}, script);
    ASSERT_EQ(tsql.exitCode, 0) << tsql.out << tsql.err;
    EXPECT_EQ(tsql.out.find("Msg "), std::string::npos) << tsql.out;

    auto executed = run(with({"execute"}, on("htgt_exec")));
    ASSERT_EQ(executed.exitCode, 0) << executed.out << executed.err;

    for (const char* database : {"htgt_file", "htgt_exec"}) {
        EXPECT_TRUE(hasTable(database, "Victim")) << database;
        // Both now match the snapshot: the same procedures, columns and names.
        auto again = run(with({"compare"}, on(database)));
        EXPECT_EQ(again.out, "use " + std::string(database) + "\nGo\n") << again.out;
    }
}

TEST_F(Output, ATerminalShowsControlCharactersAPipeGetsTheExactScript) {
    auto piped = run(with({"compare"}, on("htgt")));
    ASSERT_EQ(piped.exitCode, 0) << piped.err;
    EXPECT_NE(piped.out.find("[c\x1b]]0;t\x07\x1b[2J]"), std::string::npos) << piped.out;

    auto shown = test::runCommand(with(
        {"python3", testsDir() / "cli/run_in_terminal.py", "--", DBCOMPARE_PROGRAM_PATH, "compare"},
        on("htgt")));
    EXPECT_NE(shown.out.find("exit=0 "), std::string::npos) << shown.out;
    EXPECT_NE(shown.out.find("[c\\x1b]]0;t\\x07\\x1b[2J]"), std::string::npos) << shown.out;
    EXPECT_EQ(shown.out.find('\x1b'), std::string::npos) << shown.out;

    // A name in the snapshot that would forge a line of show's report (or
    // clear the screen) is written visibly wherever show's output goes.
    const std::string forged = "x' || char(27) || ']0;t' || char(7) || char(27) || '[2J' || "
                               "char(10) || 'SourceTable 99999 rows: columns of 1 tables";
    auto crafted = test::runCommand(
        {"sqlite3", store().string(),
         "UPDATE SnapshotInfo SET Value = '" + forged + "' WHERE Name = 'Database'"});
    ASSERT_EQ(crafted.exitCode, 0) << crafted.err;
    auto show = run({"show", "--store", store()});
    ASSERT_EQ(show.exitCode, 0) << show.err;
    EXPECT_EQ(show.out.find('\x1b'), std::string::npos) << show.out;
    EXPECT_EQ(show.out.find("\nSourceTable 99999"), std::string::npos) << show.out;
    EXPECT_NE(show.out.find("captured database 'x\\x1b]0;t\\x07\\x1b[2J\\x0aSourceTable 99999"),
              std::string::npos)
        << show.out;
}

TEST_F(Output, AStandardOutputThatCannotBeWrittenIsAnErrorWithItsOwnStatus) {
    const std::vector<std::vector<std::string>> commands{
        with({"compare"}, on("htgt")),
        with({"execute", "--dry-run"}, on("htgt")),
        {"show", "--store", store()},
        {"--help"},
    };
    for (const auto& command : commands) {
        auto full = run(command, {}, "> /dev/full");
        EXPECT_EQ(full.exitCode, 4) << command[0] << ": " << full.err;
        EXPECT_NE(full.err.find("dbcompare: cannot write to standard output: No space left on "
                                "device"),
                  std::string::npos)
            << full.err;
        EXPECT_EQ(lineCount(full.err), 1u) << full.err;
    }
}

TEST_F(Output, FilesThatBelongToTheStoreAreRefusedForTheScript) {
    const std::string name = store().filename().string();
    for (const std::string& file :
         {name, name + "-journal", name + "-wal", name + "-shm", "." + name + ".capture-4242"}) {
        const fs::path path = m_dir.path() / file;
        auto refused = run(with({"compare", "-o", path}, on("htgt")));
        EXPECT_EQ(refused.exitCode, 2) << file;
        EXPECT_NE(refused.err.find("belongs to it"), std::string::npos) << refused.err;
        EXPECT_EQ(fs::exists(path), file == name) << file;
    }
    // Named through another path to the same folder, too.
    const fs::path roundabout = m_dir.path() / "." / ("x/../" + name + "-journal");
    fs::create_directory(m_dir.path() / "x");
    EXPECT_EQ(run(with({"compare", "-o", roundabout}, on("htgt"))).exitCode, 2);
    // A file merely named alike, elsewhere, is written.
    auto alike = run(with({"compare", "-o", m_dir.path() / "x" / (name + "-journal")}, on("htgt")));
    EXPECT_EQ(alike.exitCode, 0) << alike.err;
}

TEST_F(Output, APasswordFileMustBeReadableByItsOwnerOnly) {
    const fs::path file = m_dir.path() / "pw.txt";
    std::ofstream(file) << password << "\n";
    ::chmod(file.c_str(), 0644);
    const std::vector<std::string> args{"compare", "-S", s_server->serverName(), "-d", "htgt",
                                        "-U",      "sa", "--password-file",      file, "--store",
                                        store()};
    auto open = run(args);
    EXPECT_EQ(open.exitCode, 2) << open.err;
    EXPECT_NE(open.err.find("can be read or written by other users (mode 0644)"), std::string::npos)
        << open.err;
    EXPECT_NE(open.err.find("chmod 600"), std::string::npos) << open.err;
    EXPECT_EQ(open.out, "");

    ::chmod(file.c_str(), 0600);
    auto ownerOnly = run(args, {"DBCOMPARE_PASSWORD=wrong"});
    EXPECT_EQ(ownerOnly.exitCode, 0) << ownerOnly.err;
    EXPECT_EQ(ownerOnly.out.rfind("use htgt\nGo\n", 0), 0u) << ownerOnly.out;

    auto help = run({"--help"});
    EXPECT_NE(help.out.find("process list"), std::string::npos) << help.out;
    EXPECT_NE(help.out.find("--password-file"), std::string::npos) << help.out;
}

TEST_F(Output, ACommandTextWithANulIsRefusedWhole) {
    const fs::path file = m_dir.path() / "cmd.sql";
    std::ofstream(file, std::ios::binary)
        << std::string("CREATE TABLE BeforeNul (x int NULL)\0DROP TABLE Victim", 54);
    auto refused = run({"exec-one", "-i", file, "-S", s_server->serverName(), "-d", "htgt", "-U",
                        "sa", "-P", password});
    EXPECT_EQ(refused.exitCode, 2) << refused.err;
    EXPECT_NE(refused.err.find("NUL character (at byte 36)"), std::string::npos) << refused.err;
    EXPECT_FALSE(hasTable("htgt", "BeforeNul"));
    EXPECT_TRUE(hasTable("htgt", "Victim"));
}

TEST_F(Output, WithoutArgumentsOrADisplayTheProgramSaysSo) {
    auto window = run({});
    EXPECT_EQ(window.exitCode, 2) << window.err;
    EXPECT_NE(window.err.find("no display"), std::string::npos) << window.err;
    EXPECT_NE(window.err.find("dbcompare --help"), std::string::npos) << window.err;
}

} // namespace
} // namespace dbc
