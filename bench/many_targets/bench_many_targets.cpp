// bench_many_targets: `dbcompare compare --targets` over 100 targets on a test
// server that holds every response for a round trip's time (default 20 ms),
// one target at a time (--jobs 1) against sixteen at a time (--jobs 16), in
// one run. Both runs must write the same files.
//   bench_many_targets [TARGETS [LATENCY_MS]]

#include "tests/support/test_server_process.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <set>
#include <string>

namespace dbc::bench {
namespace {

namespace fs = std::filesystem;

const std::string password = "bench";

double runSeconds(const std::vector<std::string>& argv, int& status) {
    const auto start = std::chrono::steady_clock::now();
    const test::CommandResult result = test::runCommand(argv, {"DBCOMPARE_PASSWORD=" + password});
    status = result.exitCode;
    if (status != 0)
        std::cerr << result.out << result.err;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::string filesOf(const fs::path& dir) {
    std::string all;
    std::set<fs::path> names;
    for (const auto& entry : fs::directory_iterator(dir))
        names.insert(entry.path().filename());
    for (const auto& name : names)
        all += name.string() + "\n" + test::readFile(dir / name);
    return all;
}

} // namespace
} // namespace dbc::bench

int main(int argc, char** argv) {
    using namespace dbc;
    using namespace dbc::bench;
    const int targets = argc > 1 ? std::atoi(argv[1]) : 100;
    const std::string latency = argc > 2 ? argv[2] : "20";
    test::TempDir dir;
    const fs::path data = dir.path() / "data";
    const fs::path fixtures = fs::path(DBCOMPARE_SOURCE_DIR) / "tests/fixtures";
    test::loadCatalog(data, "src", fixtures / "hrms_new.sql");
    test::loadCatalog(data, "t001", fixtures / "hrms_old.sql");
    char name[16];
    for (int i = 2; i <= targets; ++i) {
        std::snprintf(name, sizeof name, "t%03d", i);
        fs::copy_file(data / "t001.sqlite", data / (std::string(name) + ".sqlite"));
    }
    test::TestServerProcess server(
        data, {"--user", "sa", "--password", password, "--latency-ms", latency});
    const fs::path store = dir.path() / "Source.mdb";
    int status = 0;
    runSeconds({DBCOMPARE_PROGRAM_PATH, "capture", "-S", server.serverName(), "-d", "src", "-U",
                "sa", "--store", store.string()},
               status);
    if (status != 0)
        return 1;
    {
        std::ofstream list(dir.path() / "targets.txt");
        for (int i = 1; i <= targets; ++i) {
            std::snprintf(name, sizeof name, "t%03d", i);
            list << "-S " << server.serverName() << " -d " << name << " -U sa\n";
        }
    }
    auto run = [&](const std::string& jobs) {
        const fs::path out = dir.path() / ("out-" + jobs);
        const double seconds = runSeconds({DBCOMPARE_PROGRAM_PATH, "compare", "--targets",
                                           (dir.path() / "targets.txt").string(), "--out",
                                           out.string(), "--jobs", jobs, "--store", store.string()},
                                          status);
        return std::pair(seconds, status);
    };
    const auto [one, oneStatus] = run("1");
    const auto [sixteen, sixteenStatus] = run("16");
    if (oneStatus != 0 || sixteenStatus != 0)
        return 1;
    if (filesOf(dir.path() / "out-1") != filesOf(dir.path() / "out-16")) {
        std::cerr << "the two runs wrote different files\n";
        return 1;
    }
    std::printf("compare --targets: %d targets of the demo's older hrms, %s ms a round trip\n",
                targets, latency.c_str());
    std::printf("  --jobs 1   %8.2f s\n  --jobs 16  %8.2f s\n  ratio      %8.1f x\n", one, sixteen,
                one / sixteen);
    return 0;
}
