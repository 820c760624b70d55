// bench_store_rows: SnapshotStore::appendRow writing column rows into a fresh
// store in one transaction, against the floor of the same rows inserted
// through one prepared sqlite3 statement, the least a store write can cost.

#include "bench/support/cpu_clock.h"
#include "bench/support/report_table.h"
#include "bench/support/side_by_side.h"
#include "snapshot/snapshot_store.h"
#include "tests/support/scratch_dir.h"

#include <sqlite3.h>

#include <cstdlib>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace dbc::bench {

namespace {

namespace fs = std::filesystem;

// The fields of one SourceTable row, as a capture of `i`-th column writes them.
struct ColumnRow {
    std::string field;
    std::string table;
};

std::vector<ColumnRow> makeRows(std::size_t count) {
    std::vector<ColumnRow> rows;
    rows.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        rows.push_back({"f" + std::to_string(i), "t" + std::to_string(i / 50)});
    return rows;
}

// A fresh store file with the six empty tables, made before the clock starts.
fs::path freshStore(const fs::path& dir) {
    const fs::path path = dir / "Source.mdb";
    for (const char* suffix : {"", "-journal"})
        fs::remove(path.string() + suffix);
    SnapshotStore::open(path);
    return path;
}

void check(int rc, sqlite3* db) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE)
        throw std::runtime_error(std::string("sqlite3: ") + sqlite3_errmsg(db));
}

void bindText(sqlite3_stmt* insert, int index, const std::string& text) {
    sqlite3_bind_text(insert, index, text.data(), static_cast<int>(text.size()), SQLITE_STATIC);
}

void insertRaw(const fs::path& path, const std::vector<ColumnRow>& rows) {
    sqlite3* db = nullptr;
    check(sqlite3_open(path.c_str(), &db), db);
    check(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db);
    sqlite3_stmt* insert = nullptr;
    check(sqlite3_prepare_v2(db,
                             "INSERT INTO SourceTable (FieldName, FieldLength, FieldType, "
                             "TableName, IsNullable, TypeStat, colStat) "
                             "VALUES (?, '4', 'int', ?, '1', '0', '0')",
                             -1, &insert, nullptr),
          db);
    for (const ColumnRow& row : rows) {
        bindText(insert, 1, row.field);
        bindText(insert, 2, row.table);
        check(sqlite3_step(insert), db);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db);
    sqlite3_close(db);
}

void appendThroughStore(const fs::path& path, const std::vector<ColumnRow>& rows) {
    auto store = SnapshotStore::open(path);
    SnapshotStore::Transaction transaction(*store);
    for (const ColumnRow& row : rows)
        store->appendRow("SourceTable", {{"FieldName", row.field},
                                         {"FieldLength", "4"},
                                         {"FieldType", "int"},
                                         {"TableName", row.table},
                                         {"IsNullable", "1"},
                                         {"TypeStat", "0"},
                                         {"colStat", "0"}});
    transaction.commit();
}

int run(const std::vector<std::size_t>& sizes) {
    test::ScratchDir dir;
    std::cout << "bench_store_rows: SnapshotStore::appendRow into a fresh store (one\n"
                 "transaction) against one prepared sqlite3 INSERT of the same rows (the\n"
                 "floor); best of 5, measured alternately.\n\n";
    ReportTable table(std::cout, {{"rows", 7},
                                  {"floor ms", 8},
                                  {"store ms", 8},
                                  {"ratio", 5},
                                  {"cpu floor", 9},
                                  {"cpu store", 9},
                                  {"cpu ratio", 9}});
    table.printHeader();
    const CpuClock cpu;
    for (std::size_t size : sizes) {
        const std::vector<ColumnRow> rows = makeRows(size);
        const SideBySide timing = measureSideBySide(
            5,
            [&] {
                const fs::path path = freshStore(dir.path());
                const Meter meter(cpu);
                insertRaw(path, rows);
                return meter.stop();
            },
            [&] {
                const fs::path path = freshStore(dir.path());
                const Meter meter(cpu);
                appendThroughStore(path, rows);
                return meter.stop();
            });
        table.printRow({formatCount(size), formatMs(timing.floor.wallMs),
                        formatMs(timing.work.wallMs), formatRatio(timing.wallRatio()),
                        formatMs(timing.floor.cpuMs), formatMs(timing.work.cpuMs),
                        formatRatio(timing.cpuRatio())});
    }
    std::cout << "\nratio = store / floor in wall-clock time; cpu = CPU time of the process.\n";
    return EXIT_SUCCESS;
}

} // namespace

} // namespace dbc::bench

int main(int argc, char** argv) {
    try {
        std::vector<std::size_t> sizes;
        for (int i = 1; i < argc; ++i)
            sizes.push_back(static_cast<std::size_t>(std::stoul(argv[i])));
        if (sizes.empty())
            sizes = {10000, 100000};
        return dbc::bench::run(sizes);
    } catch (const std::exception& e) {
        std::cerr << "bench_store_rows: " << e.what() << '\n';
        return EXIT_FAILURE;
    }
}
