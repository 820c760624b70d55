// bench_data_check: the data check before execute (one batched request of
// counting queries over the target's rows) on top of the compare, against
// the compare alone, on the synthetic databases of bench_compare with rows
// in every target table.

#include "bench/compare/out_of_date_copy.h"
#include "bench/compare/snapshot_writer.h"
#include "bench/support/catalog_file_writer.h"
#include "bench/support/cpu_clock.h"
#include "bench/support/report_table.h"
#include "bench/support/side_by_side.h"
#include "bench/support/synthetic_schema.h"
#include "bench/support/timing_cells.h"
#include "compare/compare_run.h"
#include "data/sql_server_connection.h"
#include "script/data_check.h"
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

struct CheckCase {
    std::string label;
    SchemaShape shape;
    int repetitions;
};

// The 5,000-object database of bench_compare, and one of 10,000 columns
// where many columns are altered or surplus, so there is much to count.
std::vector<CheckCase> cases() {
    return {{"o5k", {100, 1667}, 3}, {"c10k", {1000, 1}, 3}};
}

// A short value of the column's type for row `i`: numbers count up.
std::string valueFor(const std::string& type, int i) {
    if (type.find("char") != std::string::npos || type.find("text") != std::string::npos)
        return "'v" + std::to_string(i % 10) + "'";
    if (type.find("binary") != std::string::npos || type == "image")
        return "0x01";
    if (type.find("date") != std::string::npos)
        return "'20000101'";
    if (type == "uniqueidentifier")
        return "NEWID()";
    if (type == "bit" || type == "tinyint")
        return std::to_string(i % 2);
    return std::to_string(i) + (type == "decimal" || type == "numeric" ? ".25" : "");
}

// Fills every table of the target with `rows` rows, one batch per table (a
// table whose rows the test server refuses stays empty). Returns the rows
// stored.
std::size_t fillTables(Connection& target, int rows) {
    const Result columns = target.open(
        "SELECT o.name, c.name, t.name FROM sysobjects o JOIN syscolumns c ON c.id = o.id "
        "JOIN systypes t ON t.xusertype = c.xusertype WHERE o.xtype = 'U' "
        "AND c.iscomputed = 0 AND COLUMNPROPERTY(o.id, c.name, 'IsIdentity') = 0 "
        "AND t.name <> 'timestamp' ORDER BY o.name, c.colid");
    std::size_t stored = 0;
    for (std::size_t first = 0; first < columns.size();) {
        std::size_t end = first;
        while (end < columns.size() && columns.rows()[end][0] == columns.rows()[first][0])
            ++end;
        const std::string table = columns.rows()[first][0];
        std::string names;
        for (std::size_t c = first; c < end; ++c)
            names += (c > first ? ", [" : "[") + columns.rows()[c][1] + "]";
        std::string batch;
        for (int i = 0; i < rows; ++i) {
            std::string values;
            for (std::size_t c = first; c < end; ++c)
                values += (c > first ? ", " : "") + valueFor(columns.rows()[c][2], i);
            batch += "INSERT [" + table + "] (" + names + ") VALUES (" + values + ")\n";
        }
        try {
            target.execute(batch);
            stored += std::size_t(rows);
        } catch (const std::exception& error) {
            std::cout << "(rows of " << table << " refused: " << error.what() << ")\n";
        }
        first = end;
    }
    return stored;
}

int run() {
    test::TempDir dir;
    std::cout << "bench_data_check: compare + data check (every counting query in one batched\n"
                 "request) against the compare alone (the floor), over targets whose tables\n"
                 "hold rows; best of the repetitions, measured alternately.\n\n";
    struct Prepared {
        CheckCase checkCase;
        fs::path store;
        std::string database;
    };
    std::vector<Prepared> prepared;
    for (const CheckCase& c : cases()) {
        const SyntheticSchema source = makeSchema(c.shape);
        ChangeCounts changes;
        Prepared p{c, dir.path() / ("snap_" + c.label + ".mdb"), "tgt_" + c.label};
        {
            auto store = SnapshotStore::open(p.store);
            writeSnapshot(*store, source);
        }
        writeCatalogFile(dir.path() / "data", p.database, outOfDateCopy(source, changes));
        prepared.push_back(p);
    }
    test::TestServerProcess server(dir.path() / "data");
    ReportTable table(std::cout, [] {
        std::vector<ReportTable::Column> columns{
            {"case", 5}, {"stmts", 5}, {"queries", 7}, {"found", 5}, {"reps", 4}};
        for (const auto& column : timingColumns("check"))
            columns.push_back(column);
        return columns;
    }());
    table.printHeader();
    const CpuClock cpu;
    GrowthTracker growth;
    for (const Prepared& p : prepared) {
        auto store = SnapshotStore::open(p.store);
        auto target =
            connectSqlServer({server.serverName(), p.database, "sa", ""}, defaultOdbcDriver);
        const std::size_t rows = fillTables(*target, 20);
        std::cout << "case " << p.checkCase.label << ": " << rows << " rows in the target\n";
        std::size_t statements = 0, queries = 0, found = 0;
        const SideBySide timing = measureSideBySide(
            p.checkCase.repetitions,
            [&] {
                ScriptBuffer buffer;
                const Meter meter(cpu);
                runCompare(store->connection(), *target, p.database, buffer);
                return meter.stop();
            },
            [&] {
                ScriptBuffer buffer;
                const Meter meter(cpu);
                runCompare(store->connection(), *target, p.database, buffer);
                const DataCheckResult check = checkData(*target, buffer.changes());
                const Sample sample = meter.stop();
                statements = buffer.statements().size();
                const ScriptedObjects scripted(buffer.changes());
                queries = 0;
                for (const Change& change : buffer.changes())
                    queries += rowCountQueries(change.record, scripted).size();
                found = check.findings.size();
                return sample;
            });
        std::vector<std::string> cells{p.checkCase.label, formatCount(statements),
                                       formatCount(queries), formatCount(found),
                                       std::to_string(p.checkCase.repetitions)};
        for (auto& cell : timingCells(timing, growth.next(p.checkCase.label, 1, 0)))
            cells.push_back(std::move(cell));
        table.printRow(cells);
    }
    std::cout << '\n'
              << timingLegend("check", "the compare and the counting queries' answers")
              << "The floor is the compare alone; the ratio is what the data check adds.\n";
    return EXIT_SUCCESS;
}

} // namespace

} // namespace dbc::bench

int main() {
    try {
        return dbc::bench::run();
    } catch (const std::exception& e) {
        std::cerr << "bench_data_check: " << e.what() << '\n';
        return EXIT_FAILURE;
    }
}
