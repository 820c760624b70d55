// compare and execute --targets as a user runs them: twenty targets on test
// servers, some unreachable, one with a wrong password, one whose server is
// killed while it runs; and a run stopped by Ctrl+C. Every file a target
// writes must be what a single run of it gives.

#include "tests/support/test_server_process.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <thread>

namespace dbc {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::ChildOptions;
using test::ChildProcess;
using test::CommandResult;
using test::readFile;
using test::TempDir;
using test::TestServerProcess;

const std::string password = "s3cr;et=pw";
const std::string otherPassword = "0ther\tpw";

fs::path source(const std::string& relative) {
    return fs::path(DBCOMPARE_SOURCE_DIR) / relative;
}

std::vector<std::string> environmentWithout() {
    return {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "DBCOMPARE_PASSWORD"};
}

class ManyTargetsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = new TempDir;
        const fs::path data = s_dir->path() / "data";
        test::loadCatalog(data, "src", source("tests/capture/capture_source.sql"));
        for (int i = 1; i <= 14; ++i)
            test::loadCatalog(data, name("old", i), source("tests/cli/cli_target.sql"));
        test::loadCatalog(data, "same1", source("tests/capture/capture_source.sql"));
        test::loadCatalog(data, "same2", source("tests/capture/capture_source.sql"));
        s_server = new TestServerProcess(data, {"--user", "sa", "--password", password});
    }
    static void TearDownTestSuite() {
        delete s_server;
        delete s_dir;
    }
    static std::string name(const std::string& prefix, int i) {
        return prefix + (i < 10 ? "0" : "") + std::to_string(i);
    }

    CommandResult run(std::vector<std::string> args, std::vector<std::string> env = {}) {
        std::vector<std::string> argv{DBCOMPARE_PROGRAM_PATH};
        argv.insert(argv.end(), args.begin(), args.end());
        auto environment = environmentWithout();
        environment.insert(environment.end(), env.begin(), env.end());
        CommandResult result = test::runCommand(argv, environment);
        checkNoPassword(result.out + result.err);
        return result;
    }
    static void checkNoPassword(const std::string& text) {
        EXPECT_EQ(text.find(password), std::string::npos) << text;
        EXPECT_EQ(text.find(otherPassword), std::string::npos) << text;
    }
    fs::path store() const { return m_dir.path() / "Source.mdb"; }
    void capture() {
        auto result = run({"capture", "-S", s_server->serverName(), "-d", "src", "-U", "sa", "-P",
                           password, "--store", store()});
        ASSERT_EQ(result.exitCode, 0) << result.err;
    }
    // What a single run writes for the database on the main server.
    std::string singleScript(const std::string& database) {
        const fs::path file = m_dir.path() / ("single-" + database + ".sql");
        auto result = run({"compare", "-S", s_server->serverName(), "-d", database, "-U", "sa",
                           "-P", password, "--store", store(), "-o", file});
        EXPECT_EQ(result.exitCode, 0) << result.err;
        return readFile(file);
    }
    fs::path write(const std::string& fileName, const std::string& text, mode_t mode = 0600) {
        const fs::path path = m_dir.path() / fileName;
        std::ofstream(path, std::ios::binary) << text;
        ::chmod(path.c_str(), mode);
        return path;
    }
    static std::vector<std::string> lines(const std::string& text) {
        std::vector<std::string> result;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);)
            result.push_back(line);
        return result;
    }
    // The summary row of a target: its words.
    static std::vector<std::string> row(const std::string& out, const std::string& target) {
        for (const std::string& line : lines(out)) {
            if (line.rfind(target + " ", 0) == 0) {
                std::istringstream words(line.substr(target.size()));
                std::vector<std::string> result;
                for (std::string w; words >> w;)
                    result.push_back(w);
                return result;
            }
        }
        ADD_FAILURE() << "no row for " << target << " in\n" << out;
        return {};
    }
    static std::set<std::string> filesIn(const fs::path& dir) {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir))
            names.insert(entry.path().filename().string());
        return names;
    }

    static TempDir* s_dir;
    static TestServerProcess* s_server;
    TempDir m_dir;
};

TempDir* ManyTargetsTest::s_dir = nullptr;
TestServerProcess* ManyTargetsTest::s_server = nullptr;

TEST_F(ManyTargetsTest, TwentyTargetsEachFileAsASingleRunAndTheSummaryRight) {
    capture();
    // A second server whose password the passwords file gives wrong, and a
    // slow third one killed while its target runs (its login and compare
    // take a dozen round trips of 400 ms; it is killed after 1.5 s).
    TempDir otherData;
    test::loadCatalog(otherData.path(), "old", source("tests/cli/cli_target.sql"));
    TestServerProcess wrongPassword(otherData.path(),
                                    {"--user", "sa", "--password", otherPassword});
    TestServerProcess slow(otherData.path(),
                           {"--user", "sa", "--password", password, "--latency-ms", "400"});

    const std::string main = s_server->serverName();
    std::string targets = "# twenty targets\n-S " + slow.serverName() + " -d old -U sa\n";
    std::vector<std::string> comparable;
    for (int i = 1; i <= 14; ++i)
        comparable.push_back(name("old", i));
    comparable.push_back("same1");
    comparable.push_back("same2");
    for (std::size_t i = 0; i < comparable.size(); ++i) {
        // Both spellings a line may use: quoted and attached values.
        targets += i % 2 ? "-S \"" + main + "\" -d " + comparable[i] + " -U sa\n"
                         : "  -S" + main + " --database=" + comparable[i] + " -Usa  # ok\n\n";
        if (i == 3)
            targets +=
                "-S 127.0.0.1,1 -d old -U sa\n-S " + wrongPassword.serverName() + " -d old -U sa\n";
    }
    targets += "-S 127.0.0.1,2 -d old -U sa\n";
    const fs::path targetsFile = write("targets.txt", targets);
    const fs::path passwords =
        write("passwords.tsv", main + "\tSA\t" + password + "\n" + wrongPassword.serverName() +
                                   "\tsa\tnot-" + otherPassword + "\n");
    const fs::path out = m_dir.path() / "out";
    const fs::path report = m_dir.path() / "report.json";

    std::vector<std::string> argv{DBCOMPARE_PROGRAM_PATH,
                                  "compare",
                                  "--targets",
                                  targetsFile,
                                  "--passwords",
                                  passwords,
                                  "--out",
                                  out,
                                  "--jobs",
                                  "6",
                                  "--store",
                                  store(),
                                  "--report",
                                  report};
    auto environment = environmentWithout();
    environment.push_back("DBCOMPARE_PASSWORD=" + password);
    ChildProcess child(argv, ChildOptions::inFiles(m_dir.path(), environment));
    std::this_thread::sleep_for(1500ms);
    slow.kill();
    const int status = child.wait();
    const std::string summary = child.out();
    checkNoPassword(summary + child.err());

    // The worst target: a connection failure.
    EXPECT_EQ(status, 3) << summary << child.err();
    EXPECT_EQ(lines(summary)[0].rfind("target ", 0), 0u) << summary;
    std::set<std::string> expectedFiles;
    for (const std::string& database : comparable) {
        const std::string stem = database + "@" + main;
        expectedFiles.insert(stem + ".sql");
        const std::string expected = singleScript(database);
        EXPECT_EQ(readFile(out / (stem + ".sql")), expected) << stem;
        const auto words = row(summary, stem);
        ASSERT_EQ(words.size(), 9u) << summary;
        EXPECT_EQ(words[0], "compared");
        // Statements: as many as the single run's script holds.
        if (database.rfind("same", 0) == 0) {
            EXPECT_EQ(words, (std::vector<std::string>{"compared", "0", "0", "0", "0", "0", "0",
                                                       "0", "1"}));
        } else {
            // cli_target: one missing table, columns differing and missing,
            // a surplus index, missing procedures.
            EXPECT_EQ(words[1], "1") << summary;
            EXPECT_NE(words[2], "0") << summary;
            EXPECT_NE(words[3], "0") << summary;
            EXPECT_NE(words[5], "0") << summary;
        }
    }
    // Nothing else, no scratch file: the failed targets wrote none.
    EXPECT_EQ(filesIn(out), expectedFiles);
    EXPECT_EQ(row(summary, "old@127.0.0.1,1")[0], "connection");
    EXPECT_EQ(row(summary, "old@127.0.0.1,2")[0], "connection");
    EXPECT_EQ(row(summary, "old@" + wrongPassword.serverName())[0], "connection");
    const std::string killed = row(summary, "old@" + slow.serverName())[0];
    EXPECT_TRUE(killed == "failed" || killed == "connection") << summary;
    EXPECT_NE(summary.find("old@" + wrongPassword.serverName() + ": "), std::string::npos)
        << summary;
    EXPECT_EQ(lines(summary).size(), 1u + 20u + 4u) << summary;

    // The JSON report: valid against its schema, a target for each line.
    const CommandResult check = test::runCommand(
        {"python3", "-c",
         "import json,sys,jsonschema\n"
         "d=json.load(open(sys.argv[1]))\n"
         "jsonschema.validate(d,json.load(open(sys.argv[2])))\n"
         "print(len(d['targets']), d['targets'][1]['counts']['table'], d['targets'][2]['error'])",
         report.string(), source("docs/report.schema.json").string()});
    EXPECT_EQ(check.exitCode, 0) << check.err;
    EXPECT_EQ(check.out, "20 1 None\n") << check.err;
}

TEST_F(ManyTargetsTest, ExecuteWritesEachTargetsScriptAndReportAsASingleRun) {
    capture();
    const fs::path data = s_dir->path() / "data";
    std::string targets;
    for (int i = 1; i <= 3; ++i) {
        test::loadCatalog(data, name("many", i), source("tests/cli/cli_target.sql"));
        test::loadCatalog(data, name("single", i), source("tests/cli/cli_target.sql"));
        targets += "-S " + s_server->serverName() + " -d " + name("many", i) + " -U sa\n";
    }
    const fs::path out = m_dir.path() / "out";
    auto many = run({"execute", "--targets", write("t.txt", targets), "--out", out, "--store",
                     store(), "--jobs", "3"},
                    {"DBCOMPARE_PASSWORD=" + password});
    // The rebuild of the identity column's table is refused on every target.
    EXPECT_EQ(many.exitCode, 1) << many.out << many.err;
    for (int i = 1; i <= 3; ++i) {
        const std::string script = singleScript(name("single", i));
        auto single = run({"execute", "-S", s_server->serverName(), "-d", name("single", i), "-U",
                           "sa", "-P", password, "--store", store()});
        EXPECT_EQ(single.exitCode, 1) << single.err;
        const std::string stem = name("many", i) + "@" + s_server->serverName();
        auto sameBut = [&](std::string text) {
            // The scripts differ in the database's name of the use statement.
            const std::string from = "use " + name("single", i);
            if (text.rfind(from, 0) == 0)
                text.replace(0, from.size(), "use " + name("many", i));
            return text;
        };
        EXPECT_EQ(readFile(out / (stem + ".sql")), sameBut(script));
        // The data check's lines (on standard error alone) come first.
        std::string checked;
        std::istringstream errLines(single.err);
        for (std::string line; std::getline(errLines, line);) {
            if (line.rfind("dbcompare: data check: ", 0) == 0)
                checked += line.substr(std::string("dbcompare: ").size()) + "\n";
        }
        EXPECT_EQ(readFile(out / (stem + ".execute.txt")), checked + single.out);
        const auto words = row(many.out, stem);
        ASSERT_EQ(words.size(), 10u) << many.out;
        EXPECT_EQ(words[0], "executed");
        EXPECT_EQ(words[9], "1") << many.out; // refused
    }
}

// A target whose surplus column holds values runs nothing without
// --allow-data-loss (its status 6, the data check in its .execute.txt); the
// other target runs; with the option both run.
TEST_F(ManyTargetsTest, ExecuteChecksEachTargetsRowsFirst) {
    capture();
    const fs::path data = s_dir->path() / "data";
    std::string targets;
    for (int i = 1; i <= 2; ++i) {
        test::loadCatalog(data, name("rows", i), source("tests/cli/cli_target.sql"));
        targets += "-S " + s_server->serverName() + " -d " + name("rows", i) + " -U sa\n";
    }
    auto filled = run({"exec-one", "-S", s_server->serverName(), "-d", name("rows", 1), "-U", "sa",
                       "-P", password,
                       "ALTER TABLE [Emp ] ADD Old varchar(10) NULL "
                       "EXEC ('INSERT [Emp ] VALUES (1, ''a'', NULL, ''x'')')"});
    ASSERT_EQ(filled.exitCode, 0) << filled.err;
    const fs::path out = m_dir.path() / "out";
    const fs::path list = write("t.txt", targets);
    auto refused = run({"execute", "--targets", list, "--out", out, "--store", store()},
                       {"DBCOMPARE_PASSWORD=" + password});
    EXPECT_EQ(refused.exitCode, 6) << refused.out << refused.err;
    const std::string stem = name("rows", 1) + "@" + s_server->serverName();
    EXPECT_EQ(readFile(out / (stem + ".execute.txt")),
              // Emp is rebuilt (its identity column), the column's drop with it;
              // its DeptNo 'none' is no number for the new int column.
              "data check: 3 rows, kept: rows copied into the rebuilt table: INSERT INTO Tmp_Emp "
              "(DeptNo,EmpNo,Name,Salary) SELECT DeptNo,EmpNo,Name,(0) FROM [Emp ]\n"
              "data check: 1 row, the statement will be refused: values the new type cannot "
              "take: INSERT INTO Tmp_Emp (DeptNo,EmpNo,Name,Salary) SELECT DeptNo,EmpNo,Name,(0) "
              "FROM [Emp ]\n"
              "data check: 1 row, values changed or lost: non-NULL values dropped: INSERT INTO "
              "Tmp_Emp (DeptNo,EmpNo,Name,Salary) SELECT DeptNo,EmpNo,Name,(0) FROM [Emp ]\n"
              "nothing was run: the data check found stored values the script would change or "
              "lose; --allow-data-loss runs it\n");
    EXPECT_EQ(row(refused.out, name("rows", 2) + "@" + s_server->serverName())[0], "executed");

    auto allowed =
        run({"execute", "--targets", list, "--out", out, "--store", store(), "--allow-data-loss"},
            {"DBCOMPARE_PASSWORD=" + password});
    // The identity column's Alter is refused on every target.
    EXPECT_EQ(allowed.exitCode, 1) << allowed.out << allowed.err;
    EXPECT_EQ(row(allowed.out, stem)[0], "executed") << allowed.out;
}

TEST_F(ManyTargetsTest, CtrlCLeavesFinishedTargetsWholeAndNamesTheOthers) {
    capture();
    TestServerProcess slow(s_dir->path() / "data",
                           {"--user", "sa", "--password", password, "--latency-ms", "60"});
    std::string targets;
    for (int i = 1; i <= 6; ++i)
        targets += "-S " + slow.serverName() + " -d " + name("old", i) + " -U sa\n";
    const fs::path out = m_dir.path() / "out";
    auto environment = environmentWithout();
    environment.push_back("DBCOMPARE_PASSWORD=" + password);
    ChildProcess child({DBCOMPARE_PROGRAM_PATH, "compare", "--targets", write("t.txt", targets),
                        "--out", out, "--jobs", "1", "--store", store()},
                       ChildOptions::inFiles(m_dir.path(), environment));
    for (int waited = 0; waited < 600 && (!fs::exists(out) || filesIn(out).empty()); ++waited)
        std::this_thread::sleep_for(100ms);
    child.signal(SIGINT);
    EXPECT_EQ(child.wait(), 5) << child.out() << child.err();
    const auto written = filesIn(out);
    ASSERT_GE(written.size(), 1u);
    ASSERT_LT(written.size(), 6u) << "the run was not stopped";
    for (const std::string& file : written) {
        const std::string database = file.substr(0, file.find('@'));
        EXPECT_EQ(readFile(out / file), singleScript(database)) << file;
    }
    const std::string notRun = "stopped by Ctrl+C; not run: ";
    const auto at = child.out().find(notRun);
    ASSERT_NE(at, std::string::npos) << child.out();
    EXPECT_NE(child.out().find(name("old", 6) + "@" + slow.serverName(), at), std::string::npos);
}

TEST_F(ManyTargetsTest, CtrlCStopsAnExecutionBeforeItsNextStatement) {
    capture();
    test::loadCatalog(s_dir->path() / "data", "stop1", source("tests/cli/cli_target.sql"));
    TestServerProcess slow(s_dir->path() / "data",
                           {"--user", "sa", "--password", password, "--latency-ms", "100"});
    const fs::path out = m_dir.path() / "out";
    auto environment = environmentWithout();
    environment.push_back("DBCOMPARE_PASSWORD=" + password);
    ChildProcess child({DBCOMPARE_PROGRAM_PATH, "execute", "--targets",
                        write("t.txt", "-S " + slow.serverName() + " -d stop1 -U sa\n"), "--out",
                        out, "--store", store()},
                       ChildOptions::inFiles(m_dir.path(), environment));
    // The script file is written once the compare is done, before the first
    // statement runs.
    const fs::path script = out / ("stop1@" + slow.serverName() + ".sql");
    for (int waited = 0; waited < 600 && !fs::exists(script); ++waited)
        std::this_thread::sleep_for(20ms);
    child.signal(SIGINT);
    EXPECT_EQ(child.wait(), 5) << child.out() << child.err();
    const std::string report = readFile(out / ("stop1@" + slow.serverName() + ".execute.txt"));
    EXPECT_NE(report.find("之前停止"), std::string::npos) << report;
    EXPECT_EQ(report.find("执行完毕!"), std::string::npos) << report;
    EXPECT_EQ(row(child.out(), "stop1@" + slow.serverName())[0], "stopped") << child.out();
}

TEST_F(ManyTargetsTest, APasswordsFileOthersCanReadIsRefused) {
    capture();
    const fs::path passwords =
        write("pw.tsv", s_server->serverName() + "\tsa\t" + password + "\n", 0640);
    const fs::path out = m_dir.path() / "out";
    auto result = run({"compare", "--targets",
                       write("t.txt", "-S " + s_server->serverName() + " -d old01 -U sa\n"),
                       "--passwords", passwords, "--out", out, "--store", store()});
    EXPECT_EQ(result.exitCode, 2) << result.err;
    EXPECT_NE(result.err.find("mode 0640"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("chmod 600"), std::string::npos) << result.err;
    EXPECT_FALSE(fs::exists(out));
}

// The command line's connection security applies to every target, a line's
// own settings over it; a target with -E needs no password.
TEST_F(ManyTargetsTest, ConnectionSecurityFromTheCommandLineAndEachLine) {
    capture();
    const std::string server = s_server->serverName();
    auto result =
        run({"compare", "--encrypt", "yes", "--targets",
             write("t.txt", "-S " + server + " -d old01 -U sa --encrypt no\n" + "-S " + server +
                                " -d old02\n" + "-S " + server + " -d old03 -E --encrypt no\n"),
             "--out", m_dir.path() / "out", "--store", store()},
            {"DBCOMPARE_PASSWORD=" + password});
    EXPECT_EQ(result.exitCode, 3) << result.err;
    EXPECT_EQ(row(result.out, "old01@" + server).at(0), "compared") << result.out;
    EXPECT_EQ(row(result.out, "old02@" + server).at(0), "connection") << result.out;
    EXPECT_EQ(row(result.out, "old03@" + server).at(0), "connection") << result.out;
    const std::string all = result.out + result.err;
    EXPECT_NE(all.find("old02@" + server +
                       ": Unable to connect to data source (encryption was "
                       "required"),
              std::string::npos)
        << all;
    EXPECT_NE(all.find("old03@" + server +
                       ": Unable to connect to data source (an integrated "
                       "login was asked"),
              std::string::npos)
        << all;
}

TEST_F(ManyTargetsTest, OneTargetsReportBesideItsScript) {
    capture();
    const std::vector<std::string> target{
        "compare", "-S",   s_server->serverName(), "-d", "old01", "-U", "sa", "-P", password,
        "--store", store()};
    auto withReport = [&](const std::string& report) {
        auto args = target;
        args.insert(args.end(), {"--report", report, "-o", (m_dir.path() / "s.sql").string()});
        return run(args);
    };
    auto html = withReport((m_dir.path() / "r.html").string());
    ASSERT_EQ(html.exitCode, 0) << html.err;
    EXPECT_EQ(readFile(m_dir.path() / "s.sql"), singleScript("old01"));
    const std::string page = readFile(m_dir.path() / "r.html");
    EXPECT_NE(page.find("<h2>目标数据库 " + s_server->serverName() + " / old01</h2>"),
              std::string::npos);
    // The surplus index of cli_target.sql, with the statement that drops it.
    EXPECT_NE(page.find("仅目标数据库有"), std::string::npos);
    EXPECT_NE(page.find("IX_Emp_Old"), std::string::npos);

    auto json = withReport((m_dir.path() / "r.JSON").string());
    ASSERT_EQ(json.exitCode, 0) << json.err;
    EXPECT_EQ(readFile(m_dir.path() / "r.JSON").rfind("{\n  \"format\": \"dbcompare-report\"", 0),
              0u);

    // A report that cannot be written fails the command with its reason.
    auto unwritable = withReport((m_dir.path() / "no-such-folder" / "r.html").string());
    EXPECT_EQ(unwritable.exitCode, 2);
    EXPECT_NE(unwritable.err.find("--report"), std::string::npos) << unwritable.err;
}

} // namespace
} // namespace dbc
