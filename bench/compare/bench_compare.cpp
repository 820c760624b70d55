// bench_compare: compare runs of synthetic snapshots against out-of-date
// targets served by the test server, against the floor of fetching the same
// snapshot and target rows alone.

#include "bench/compare/compare_floor.h"
#include "bench/compare/out_of_date_copy.h"
#include "bench/compare/snapshot_writer.h"
#include "bench/support/catalog_file_writer.h"
#include "bench/support/cpu_clock.h"
#include "bench/support/report_table.h"
#include "bench/support/side_by_side.h"
#include "bench/support/stopwatch.h"
#include "bench/support/synthetic_schema.h"
#include "bench/support/timed_connection.h"
#include "bench/support/timing_cells.h"
#include "compare/compare_run.h"
#include "data/sql_server_connection.h"
#include "script/script_buffer.h"
#include "snapshot/snapshot_store.h"
#include "tests/support/test_server_process.h"

#include <cstdlib>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace dbc::bench {

namespace {

namespace fs = std::filesystem;

struct CompareCase {
    std::string series; // cases of one series grow one dimension
    std::string label;
    SchemaShape shape;
    int repetitions;
    bool byDefault; // run without naming it
};

// Tables, columns, indexes and defaults grow together with one object of
// each kind; then the objects grow over a fixed hundred tables. The target's
// existence query scans the test server's whole sysobjects table once per
// object, so the object cases grow with the square of their size on both
// sides; the 10,000-object case takes minutes and runs only when named.
std::vector<CompareCase> defaultCases() {
    return {
        {"columns", "c1k", {100, 1}, 5, true},     {"columns", "c10k", {1000, 1}, 5, true},
        {"columns", "c100k", {10000, 1}, 2, true}, {"objects", "o1k", {100, 334}, 3, true},
        {"objects", "o5k", {100, 1667}, 2, true},  {"objects", "o10k", {100, 3334}, 2, false},
    };
}

struct PreparedCase {
    CompareCase compareCase;
    SyntheticSchema source;
    ChangeCounts changes;
    fs::path storePath;
    std::string database;
};

PreparedCase prepare(const CompareCase& compareCase, const fs::path& dir) {
    PreparedCase prepared{compareCase,
                          makeSchema(compareCase.shape),
                          {},
                          dir / ("snap_" + compareCase.label + ".mdb"),
                          "tgt_" + compareCase.label};
    Stopwatch watch;
    {
        auto store = SnapshotStore::open(prepared.storePath);
        writeSnapshot(*store, prepared.source);
    }
    writeCatalogFile(dir / "data", prepared.database,
                     outOfDateCopy(prepared.source, prepared.changes));
    const ChangeCounts& c = prepared.changes;
    std::cout << "case " << compareCase.label << ": snapshot and target written in "
              << formatMs(watch.elapsedMs()) << " ms; target lacks " << c.missingTables
              << " tables, " << c.missingColumns << " columns, " << c.missingIndexes << " indexes, "
              << c.missingDefaults << " defaults, " << c.missingModules << " objects; has "
              << c.surplusColumns << " surplus columns, " << c.surplusIndexes << " indexes, "
              << c.surplusDefaults << " defaults; " << c.alteredColumns << " altered columns, "
              << c.changedIndexes << " changed indexes, " << c.changedModules
              << " changed objects\n";
    return prepared;
}

// The cases named on the command line (by label), or all of them.
std::vector<CompareCase> selectedCases(int argc, char** argv) {
    std::vector<CompareCase> cases;
    for (const CompareCase& c : defaultCases()) {
        bool named = argc <= 1 && c.byDefault;
        for (int i = 1; i < argc; ++i)
            named = named || c.label == argv[i];
        if (named)
            cases.push_back(c);
    }
    if (cases.empty())
        throw std::runtime_error("no such case; the cases are c1k c10k c100k o1k o5k o10k");
    return cases;
}

int run(const std::vector<CompareCase>& selected) {
    test::TempDir dir;
    std::cout << "bench_compare: runCompare over the SQLite store and the ODBC target against\n"
                 "fetching the same snapshot and target rows alone (the floor: the same store\n"
                 "and catalog queries, and per object the same existence and sp_helptext\n"
                 "queries); best of the repetitions, measured alternately.\n\n";
    std::vector<PreparedCase> cases;
    for (const CompareCase& compareCase : selected)
        cases.push_back(prepare(compareCase, dir.path()));
    test::TestServerProcess server(dir.path() / "data");
    std::cout << "test server on " << server.serverName() << "\n\n";

    std::vector<ReportTable::Column> columns{{"case", 5},    {"columns", 7},  {"idx keys", 8},
                                             {"objects", 7}, {"defaults", 8}, {"stmts", 5},
                                             {"reps", 4}};
    for (const auto& column : timingColumns("compare"))
        columns.push_back(column);
    ReportTable table(std::cout, columns);
    table.printHeader();
    const CpuClock cpu;
    GrowthTracker growth;
    for (const PreparedCase& c : cases) {
        auto store = SnapshotStore::open(c.storePath);
        auto target =
            connectSqlServer({server.serverName(), c.database, "sa", ""}, defaultOdbcDriver);
        std::size_t statements = 0;
        const SideBySide timing = measureSideBySide(
            c.compareCase.repetitions,
            [&] {
                const Meter meter(cpu);
                fetchCompareRows(store->connection(), *target);
                return meter.stop();
            },
            [&] {
                TimedConnection timedStore(store->connection());
                TimedConnection timedTarget(*target);
                ScriptBuffer buffer;
                const Meter meter(cpu);
                runCompare(timedStore, timedTarget, c.database, buffer);
                const Sample sample = meter.stop(timedStore.elapsedMs() + timedTarget.elapsedMs());
                statements = buffer.statements().size();
                return sample;
            });
        const bool columnsSeries = c.compareCase.series == "columns";
        const double size =
            double(columnsSeries ? c.source.columnCount() : c.source.modules.size());
        std::vector<std::string> cells{c.compareCase.label,
                                       formatCount(c.source.columnCount()),
                                       formatCount(c.source.indexKeyCount()),
                                       formatCount(c.source.modules.size()),
                                       formatCount(c.source.defaults.size()),
                                       formatCount(statements),
                                       std::to_string(c.compareCase.repetitions)};
        for (auto& cell :
             timingCells(timing, growth.next(c.compareCase.series, size, timing.work.wallMs)))
            cells.push_back(std::move(cell));
        table.printRow(cells);
    }
    std::cout << '\n'
              << timingLegend("compare", "grouping, sorting, merging, statement texts")
              << "The c* cases grow in columns, the o* cases in objects.\n";
    return EXIT_SUCCESS;
}

} // namespace

} // namespace dbc::bench

int main(int argc, char** argv) {
    try {
        return dbc::bench::run(dbc::bench::selectedCases(argc, argv));
    } catch (const std::exception& e) {
        std::cerr << "bench_compare: " << e.what() << '\n';
        return EXIT_FAILURE;
    }
}
