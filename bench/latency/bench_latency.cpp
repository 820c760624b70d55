// bench_latency: capture and compare of databases with many procedures, views
// and triggers through a test server that holds every response a few
// milliseconds, as a wide-area link would; batched per-object look-ups
// against their floor and against one request per object.

#include "bench/capture/capture_floor.h"
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
#include "catalog/server_version.h"
#include "compare/compare_run.h"
#include "data/sql_server_connection.h"
#include "script/script_buffer.h"
#include "snapshot/capture.h"
#include "snapshot/snapshot_store.h"
#include "tests/support/test_server_process.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

namespace dbc::bench {

namespace {

namespace fs = std::filesystem;

class QuietObserver : public CaptureObserver {
public:
    void stepStarted(CaptureStep, int, int) override {}
    void advanced() override {}
};

struct Options {
    std::vector<std::size_t> objects{1000, 5000};
    std::vector<int> latenciesMs{0, 5, 20};
    bool perObject = true; // also time one request per object
    // Also read the same databases as SQL Server 2019 (the sys catalog views)
    // and set the times beside those of the 2000 reading.
    bool release2019 = false;
};

Options parse(int argc, char** argv) {
    Options options;
    std::vector<int> latencies;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--no-per-object") == 0)
            options.perObject = false;
        else if (std::strcmp(argv[i], "--release-2019") == 0)
            options.release2019 = true;
        else
            latencies.push_back(std::stoi(argv[i]));
    }
    if (!latencies.empty())
        options.latenciesMs = latencies;
    return options;
}

// A third each procedures, views and triggers, over a hundred tables.
SchemaShape shapeFor(std::size_t objects) {
    return {100, (objects + 2) / 3};
}

std::string sourceName(std::size_t objects) {
    return "src_" + std::to_string(objects);
}
std::string targetName(std::size_t objects) {
    return "tgt_" + std::to_string(objects);
}

// One measured run: its time and the requests it sent to the server.
struct Run {
    double ms = 0;
    double cpuMs = 0; // of the benchmark and the test server together
    std::size_t requests = 0;
};

// One request per object takes minutes at 20 ms: it runs once there, and as
// often as the batched work on loopback, where the two are compared closely.
// The fastest wall-clock time and, separately, the least CPU time are kept.
int perObjectRepetitions(int latencyMs) {
    return latencyMs == 0 ? 3 : 1;
}

// The batched work and its floor: often on loopback, twice over a slow link.
int batchedRepetitions(int latencyMs) {
    return latencyMs == 0 ? 3 : 2;
}

std::unique_ptr<Connection> connectTo(const test::TestServerProcess& server,
                                      const std::string& database) {
    return connectSqlServer({server.serverName(), database, "sa", ""}, defaultOdbcDriver);
}

template <typename F> Run fastest(int repetitions, F once) {
    Run best = once();
    for (int i = 1; i < repetitions; ++i) {
        const Run run = once();
        best.cpuMs = std::min(best.cpuMs, run.cpuMs);
        best.ms = std::min(best.ms, run.ms);
    }
    return best;
}

class LatencyBench {
public:
    LatencyBench(const fs::path& dir, const Options& options) : m_dir(dir), m_options(options) {}

    void prepare() {
        for (std::size_t objects : m_options.objects) {
            Stopwatch watch;
            const SyntheticSchema source = makeSchema(shapeFor(objects));
            ChangeCounts changes;
            writeCatalogFile(dataDir(), sourceName(objects), source);
            writeCatalogFile(dataDir(), targetName(objects), outOfDateCopy(source, changes));
            auto store = SnapshotStore::open(snapshotPath(objects));
            writeSnapshot(*store, source);
            std::cout << objects << " objects: source, target (" << changes.missingModules
                      << " missing, " << changes.changedModules
                      << " changed objects) and snapshot written in " << formatMs(watch.elapsedMs())
                      << " ms\n";
        }
    }

    void runLatency(int latencyMs, ReportTable& table) {
        test::TestServerProcess server(dataDir(), {"--latency-ms", std::to_string(latencyMs)});
        const CpuClock cpu;
        const int repetitions = batchedRepetitions(latencyMs);
        for (std::size_t objects : m_options.objects) {
            auto source = connectTo(server, sourceName(objects));
            auto target = connectTo(server, targetName(objects));
            auto snapshot = SnapshotStore::open(snapshotPath(objects));

            Run floor, work;
            const SideBySide capture = measureSideBySide(
                repetitions,
                [&] {
                    TimedConnection timed(*source);
                    const Meter meter(cpu);
                    fetchCaptureRows(timed);
                    floor.requests = timed.requestCount();
                    return meter.stop();
                },
                [&] {
                    Run run = captureOnce(*source, Requests::Batched, cpu);
                    work.requests = run.requests;
                    return Sample{run.ms, run.cpuMs, 0, 0};
                });
            Run single;
            if (m_options.perObject)
                single = fastest(perObjectRepetitions(latencyMs), [&] {
                    return captureOnce(*source, Requests::OneByStatement, cpu);
                });
            printRow(table, "capture", objects, latencyMs, capture, floor, work, single);

            std::size_t batchedStatements = 0;
            const SideBySide compare = measureSideBySide(
                repetitions,
                [&] {
                    TimedConnection timed(*target);
                    const Meter meter(cpu);
                    fetchCompareRows(snapshot->connection(), timed);
                    floor.requests = timed.requestCount();
                    return meter.stop();
                },
                [&] {
                    Run run = compareOnce(*snapshot, *target, objects, Requests::Batched, cpu,
                                          batchedStatements);
                    work.requests = run.requests;
                    return Sample{run.ms, run.cpuMs, 0, 0};
                });
            if (m_options.perObject) {
                std::size_t singleStatements = 0;
                single = fastest(perObjectRepetitions(latencyMs), [&] {
                    return compareOnce(*snapshot, *target, objects, Requests::OneByStatement, cpu,
                                       singleStatements);
                });
                if (singleStatements != batchedStatements)
                    throw std::runtime_error("batched and per-object compares differ");
            }
            printRow(table, "compare", objects, latencyMs, compare, floor, work, single);
            m_batched2000.push_back({latencyMs, objects, capture.work.wallMs, compare.work.wallMs});
        }
    }

    // The batched capture and compare through a server answering as SQL
    // Server 2019, against the 2000 reading's times of the same run.
    void runRelease2019(int latencyMs, ReportTable& table) {
        test::TestServerProcess server(
            dataDir(), {"--latency-ms", std::to_string(latencyMs), "--version", "2019"});
        const CpuClock cpu;
        const int repetitions = batchedRepetitions(latencyMs);
        for (std::size_t objects : m_options.objects) {
            auto source = connectTo(server, sourceName(objects));
            auto target = connectTo(server, targetName(objects));
            auto snapshot = SnapshotStore::open(snapshotPath(objects));
            const Batched2000* before = batched2000(latencyMs, objects);
            Run capture = fastest(repetitions, [&] {
                return captureOnce(*source, Requests::Batched, cpu, readServerVersion(*source));
            });
            std::size_t statements = 0;
            Run compare = fastest(repetitions, [&] {
                return compareOnce(*snapshot, *target, objects, Requests::Batched, cpu, statements,
                                   readServerVersion(*target));
            });
            for (const auto& [what, run, ms2000] :
                 {std::tuple{"capture", capture, before ? before->captureMs : 0.0},
                  std::tuple{"compare", compare, before ? before->compareMs : 0.0}}) {
                table.printRow({what, formatCount(objects), std::to_string(latencyMs),
                                ms2000 > 0 ? formatMs(ms2000) : "-", formatMs(run.ms),
                                formatCount(run.requests),
                                ms2000 > 0 ? formatRatio(run.ms / ms2000) : "-"});
            }
        }
    }

private:
    fs::path dataDir() const { return m_dir / "data"; }
    fs::path snapshotPath(std::size_t objects) const {
        return m_dir / ("snap_" + std::to_string(objects) + ".mdb");
    }

    Run captureOnce(Connection& source, Requests requests, const CpuClock& cpu,
                    const ServerVersion& version = {}) {
        const fs::path path = m_dir / ("capture_" + std::to_string(++m_captures) + ".mdb");
        auto store = SnapshotStore::open(path);
        TimedConnection timed(source, requests);
        QuietObserver observer;
        const Meter meter(cpu);
        captureSource(timed, *store, observer, version);
        const Sample sample = meter.stop();
        Run run{sample.wallMs, sample.cpuMs, timed.requestCount()};
        store.reset();
        fs::remove(path);
        return run;
    }

    Run compareOnce(SnapshotStore& snapshot, Connection& target, std::size_t objects,
                    Requests requests, const CpuClock& cpu, std::size_t& statements,
                    const ServerVersion& version = {}) {
        TimedConnection timed(target, requests);
        ScriptBuffer buffer;
        const Meter meter(cpu);
        runCompare(snapshot.connection(), timed, targetName(objects), buffer, version);
        const Sample sample = meter.stop();
        statements = buffer.statements().size();
        return {sample.wallMs, sample.cpuMs, timed.requestCount()};
    }

    void printRow(ReportTable& table, const std::string& what, std::size_t objects, int latencyMs,
                  const SideBySide& timing, const Run& floor, const Run& work, const Run& single) {
        std::vector<std::string> cells{what,
                                       formatCount(objects),
                                       std::to_string(latencyMs),
                                       formatMs(timing.floor.wallMs),
                                       formatCount(floor.requests),
                                       formatMs(timing.work.wallMs),
                                       formatCount(work.requests),
                                       formatRatio(timing.wallRatio())};
        cells.push_back(formatMs(timing.work.cpuMs));
        if (single.requests > 0) {
            cells.push_back(formatMs(single.ms));
            cells.push_back(formatCount(single.requests));
            cells.push_back(formatRatio(single.ms / timing.work.wallMs));
            cells.push_back(formatMs(single.cpuMs));
            cells.push_back(formatRatio(single.cpuMs / timing.work.cpuMs));
        }
        table.printRow(cells);
    }

    struct Batched2000 {
        int latencyMs;
        std::size_t objects;
        double captureMs;
        double compareMs;
    };
    const Batched2000* batched2000(int latencyMs, std::size_t objects) const {
        for (const Batched2000& run : m_batched2000)
            if (run.latencyMs == latencyMs && run.objects == objects)
                return &run;
        return nullptr;
    }

    fs::path m_dir;
    Options m_options;
    int m_captures = 0;
    std::vector<Batched2000> m_batched2000;
};

int run(const Options& options) {
    test::TempDir dir;
    std::cout << "bench_latency: capture and compare with batched per-object look-ups through a\n"
                 "test server that holds every response N ms (--latency-ms), against the floor\n"
                 "(the same queries, batched the same way, only fetched) and against one\n"
                 "request per object; best of the repetitions for floor and batched run.\n\n";
    LatencyBench bench(dir.path(), options);
    bench.prepare();
    std::cout << '\n';
    ReportTable table(std::cout, {{"run", 7},
                                  {"objects", 7},
                                  {"lat ms", 6},
                                  {"floor ms", 8},
                                  {"floor req", 9},
                                  {"batched ms", 10},
                                  {"requests", 8},
                                  {"ratio", 5},
                                  {"cpu ms", 6},
                                  {"per-object ms", 13},
                                  {"requests", 8},
                                  {"slower x", 8},
                                  {"cpu ms", 6},
                                  {"cpu x", 5}});
    table.printHeader();
    for (int latencyMs : options.latenciesMs)
        bench.runLatency(latencyMs, table);
    std::cout << "\nratio = batched / floor in wall-clock time; requests = round trips to the\n"
                 "server (the snapshot store is local); slower x = per-object / batched in\n"
                 "wall-clock time; cpu = CPU time of the benchmark and the test server\n"
                 "together (least of the repetitions), steadier than wall-clock time on a busy\n"
                 "machine; cpu x = per-object / batched in CPU time.\n";
    if (options.release2019) {
        std::cout
            << "\nThe same databases read as SQL Server 2019 (the sys catalog views), batched,\n"
               "beside the 2000 reading's batched times of this run:\n\n";
        ReportTable release(std::cout, {{"run", 7},
                                        {"objects", 7},
                                        {"lat ms", 6},
                                        {"2000 ms", 8},
                                        {"2019 ms", 8},
                                        {"requests", 8},
                                        {"2019/2000", 9}});
        release.printHeader();
        for (int latencyMs : options.latenciesMs)
            bench.runRelease2019(latencyMs, release);
    }
    return EXIT_SUCCESS;
}

} // namespace

} // namespace dbc::bench

int main(int argc, char** argv) {
    try {
        return dbc::bench::run(dbc::bench::parse(argc, argv));
    } catch (const std::exception& e) {
        std::cerr << "bench_latency: " << e.what() << '\n';
        return EXIT_FAILURE;
    }
}
