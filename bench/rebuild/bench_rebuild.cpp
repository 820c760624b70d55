// A table rebuild (IDENTITY added to a column of a table with rows) as the
// program scripts and executes it, against its floor: a plain INSERT ...
// SELECT copy of the same rows into a table of the same columns. Both over
// one connection to the test server, side by side in one run.
//
//   bench_rebuild [ROWS...]   (default 100000 1000000)

#include "bench/support/stopwatch.h"
#include "compare/compare_run.h"
#include "data/sql_server_connection.h"
#include "script/executor.h"
#include "snapshot/capture.h"
#include "snapshot/snapshot_store.h"
#include "tests/support/test_server_process.h"

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

using namespace dbc;

class SilentObserver : public CaptureObserver {
public:
    void stepStarted(CaptureStep, int, int) override {}
    void advanced() override {}
};

constexpr const char* columns = "(Id int %s NOT NULL CONSTRAINT PK_%s PRIMARY KEY, Code "
                                "varchar(20) NOT NULL, Salary decimal(10,2) NULL)";

std::string tableText(const char* table, bool identity) {
    char text[256];
    std::snprintf(text, sizeof text, columns, identity ? "IDENTITY (1, 1)" : "", table);
    return std::string("CREATE TABLE ") + table + " " + text + "\nGO\n";
}

void writeScript(const std::filesystem::path& file, const std::string& text) {
    std::ofstream out(file, std::ios::binary);
    out << text;
}

// The target: `rows` rows in Emp, Id not an identity column; a table
// Orders referencing it. The source: Emp with Id an identity column.
void loadDatabases(const std::filesystem::path& dir, long rows) {
    const auto data = dir / "data";
    std::filesystem::create_directories(data);
    writeScript(dir / "source.sql", tableText("Emp", true));
    std::string target = "CREATE TABLE Digits (d int NOT NULL)\nGO\nINSERT INTO Digits (d) VALUES "
                         "(0), (1), (2), (3), (4), (5), (6), (7), (8), (9)\nGO\n" +
                         tableText("Emp", false) +
                         "INSERT INTO Emp (Id, Code, Salary) SELECT n, 'E' + CAST(n AS "
                         "varchar(10)), n / 4.0 FROM (SELECT a.d * 100000 + b.d * 10000 + c.d * "
                         "1000 + e.d * 100 + f.d * 10 + g.d AS n FROM Digits a, Digits b, Digits "
                         "c, Digits e, Digits f, Digits g) x WHERE n < " +
                         std::to_string(rows) + "\nGO\n" + tableText("EmpCopy", false);
    writeScript(dir / "target.sql", target);
    test::loadCatalog(data, "source", dir / "source.sql");
    test::loadCatalog(data, "target", dir / "target.sql");
}

void run(long rows) {
    test::ScratchDir dir;
    loadDatabases(dir.path(), rows);
    test::TestServerProcess server(dir.path() / "data");
    auto connect = [&](const std::string& database) {
        return connectSqlServer({server.serverName(), database, "sa", ""}, defaultOdbcDriver);
    };
    auto store = SnapshotStore::open(dir.path() / "Source.mdb");
    {
        auto source = connect("source");
        SilentObserver observer;
        captureSource(*source, *store, observer);
    }
    auto target = connect("target");

    bench::Stopwatch copyClock;
    target->execute("INSERT INTO EmpCopy (Id, Code, Salary) SELECT Id, Code, Salary FROM Emp");
    const double copyMs = copyClock.elapsedMs();

    bench::Stopwatch compareClock;
    ScriptBuffer script;
    runCompare(store->connection(), *target, "target", script);
    const double compareMs = compareClock.elapsedMs();
    bench::Stopwatch rebuildClock;
    const ExecutionReport report = runStatements(*target, script.statements());
    const double rebuildMs = rebuildClock.elapsedMs();
    const std::string count = target->open("SELECT COUNT(*) AS n FROM Emp").field(0, "n");

    std::printf("%10ld  %12.0f  %12.0f  %12.0f  %6.2f  %s\n", rows, copyMs, compareMs, rebuildMs,
                rebuildMs / copyMs,
                report.failures.empty() && count == std::to_string(rows)
                    ? "rows kept"
                    : ("FAILED: " +
                       (report.failures.empty() ? "rows " + count : report.failures[0].message))
                          .c_str());
}

} // namespace

int main(int argc, char** argv) {
    std::vector<long> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(std::stol(argv[i]));
    if (sizes.empty())
        sizes = {100000, 1000000};
    std::printf("%10s  %12s  %12s  %12s  %6s\n", "rows", "copy ms", "compare ms", "rebuild ms",
                "ratio");
    for (long rows : sizes)
        run(rows);
    return 0;
}
