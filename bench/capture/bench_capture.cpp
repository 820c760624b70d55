// bench_capture: a capture of large synthetic source databases through the
// test server, against the floor of fetching the same catalog rows alone.

#include "bench/capture/capture_floor.h"
#include "bench/support/catalog_file_writer.h"
#include "bench/support/cpu_clock.h"
#include "bench/support/report_table.h"
#include "bench/support/side_by_side.h"
#include "bench/support/stopwatch.h"
#include "bench/support/synthetic_schema.h"
#include "bench/support/timed_connection.h"
#include "bench/support/timing_cells.h"
#include "data/sql_server_connection.h"
#include "snapshot/capture.h"
#include "snapshot/snapshot_replacement.h"
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

// Notes when the capture last reported progress: what follows the last row
// of the last step is the commit.
class LastEventObserver : public CaptureObserver {
public:
    explicit LastEventObserver(const Meter& meter) : m_meter(meter) {}
    void stepStarted(CaptureStep, int, int) override { m_lastMs = m_meter.elapsedMs(); }
    void advanced() override { m_lastMs = m_meter.elapsedMs(); }
    double lastMs() const noexcept { return m_lastMs; }

private:
    const Meter& m_meter;
    double m_lastMs = 0;
};

std::string databaseName(std::size_t columns) {
    return "src_" + std::to_string(columns);
}

void removeStore(const fs::path& path) {
    for (const char* suffix : {"", "-journal", "-wal", "-shm"})
        fs::remove(path.string() + suffix);
}

// Throws when the capture wrote other rows than the floor fetched: the two
// would not measure the same work.
void checkSameRows(const CaptureSummary& summary, const CaptureRows& fetched) {
    const std::size_t textRows = summary.rows[2] + summary.rows[3] + summary.rows[4];
    if (summary.rows[0] != fetched.columns || summary.rows[1] != fetched.indexKeys ||
        textRows != fetched.textRows || summary.rows[5] != fetched.defaults ||
        !summary.objectsWithoutText.empty())
        throw std::runtime_error("the capture wrote other rows than the floor fetched");
}

std::vector<std::size_t> sizesFromArguments(int argc, char** argv) {
    std::vector<std::size_t> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(static_cast<std::size_t>(std::stoul(argv[i])));
    if (sizes.empty())
        sizes = {1000, 10000, 100000};
    return sizes;
}

int run(const std::vector<std::size_t>& sizes) {
    test::TempDir dir;
    const fs::path dataDir = dir.path() / "data";
    const fs::path storePath = dir.path() / "Source.mdb";

    std::cout << "bench_capture: capture into a fresh store (one transaction) against fetching\n"
                 "the same catalog rows alone (the floor), both through FreeTDS/ODBC from the\n"
                 "test server; best of the repetitions, measured alternately.\n\n";
    for (std::size_t columns : sizes) {
        Stopwatch build;
        writeCatalogFile(dataDir, databaseName(columns), makeSchema(proportionalShape(columns)));
        std::cout << "catalog " << databaseName(columns) << " written in "
                  << formatMs(build.elapsedMs()) << " ms\n";
    }
    test::TestServerProcess server(dataDir);
    std::cout << "test server on " << server.serverName() << "\n\n";

    std::vector<ReportTable::Column> columns{{"columns", 7},  {"idx keys", 8}, {"objects", 7},
                                             {"txt rows", 8}, {"defaults", 8}, {"reps", 4}};
    for (const auto& column : timingColumns("capture", "commit"))
        columns.push_back(column);
    ReportTable table(std::cout, columns);
    table.printHeader();
    const CpuClock cpu;
    GrowthTracker growth;
    for (std::size_t size : sizes) {
        auto source = connectSqlServer({server.serverName(), databaseName(size), "sa", ""},
                                       defaultOdbcDriver);
        const int repetitions = size >= 100000 ? 2 : 5;
        CaptureRows fetched;
        const SideBySide timing = measureSideBySide(
            repetitions,
            [&] {
                const Meter meter(cpu);
                fetched = fetchCaptureRows(*source);
                return meter.stop();
            },
            [&] {
                removeStore(storePath);
                TimedConnection timedSource(*source);
                const Meter meter(cpu);
                // As the program captures: a new snapshot beside the store,
                // synced and renamed into place.
                SnapshotReplacement replacement(storePath);
                LastEventObserver observer(meter);
                const CaptureSummary summary =
                    captureSource(timedSource, replacement.store(), observer);
                replacement.commit({databaseName(size), server.serverName(), utcNow()});
                const double endMs = meter.elapsedMs();
                const Sample sample =
                    meter.stop(timedSource.elapsedMs(), endMs - observer.lastMs());
                checkSameRows(summary, fetched);
                return sample;
            });
        std::vector<std::string> cells{
            formatCount(fetched.columns),  formatCount(fetched.indexKeys),
            formatCount(fetched.objects),  formatCount(fetched.textRows),
            formatCount(fetched.defaults), std::to_string(repetitions)};
        for (auto& cell :
             timingCells(timing, growth.next("", double(size), timing.work.wallMs), true))
            cells.push_back(std::move(cell));
        table.printRow(cells);
    }
    std::cout << '\n'
              << timingLegend("capture", "store writes and the commit")
              << "commit = the time after the last row was written.\n";
    return EXIT_SUCCESS;
}

} // namespace

} // namespace dbc::bench

int main(int argc, char** argv) {
    try {
        return dbc::bench::run(dbc::bench::sizesFromArguments(argc, argv));
    } catch (const std::exception& e) {
        std::cerr << "bench_capture: " << e.what() << '\n';
        return EXIT_FAILURE;
    }
}
