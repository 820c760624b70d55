// A file that exists but is not a snapshot store is reported and left
// exactly as it was: same bytes, no side files beside it.

#include "data/sqlite_connection.h"
#include "snapshot/snapshot_store.h"
#include "snapshot/store_schema.h"
#include "tests/snapshot/directory_snapshot.h"
#include "tests/support/scratch_dir.h"

#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dbc {
namespace {

namespace fs = std::filesystem;

void writeFile(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// A SQLite file holding the statements `sql`.
void makeDatabase(const fs::path& path, const std::string& sql) {
    SqliteConnection db(path, SqliteConnection::OpenMode::Create);
    db.execute(sql);
}

// The six tables' CREATE statements with `change` applied to the one named
// `table` (returning "" drops it).
std::string storeSql(std::string_view table = {},
                     const std::function<std::string(std::string)>& change = {}) {
    std::string sql;
    for (const auto& t : storeTables()) {
        std::string create = createTableSql(t);
        if (t.name == table)
            create = change(create);
        if (!create.empty())
            sql += create + ";\n";
    }
    return sql;
}

// A foreign database caught in the middle of a write, as a crash would leave
// it: `path` and its journal or WAL file, copied while a writer holds them.
// Opening it read-write would roll back the journal or fold the WAL into the
// file, changing both.
void makeInterruptedDatabase(const fs::path& path, bool wal) {
    test::ScratchDir source;
    const fs::path original = source.path() / "db";
    SqliteConnection writer(original, SqliteConnection::OpenMode::Create);
    writer.execute(wal ? "PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0"
                       : "PRAGMA cache_size=1");
    writer.execute("CREATE TABLE c (id, note)");
    writer.execute("INSERT INTO c VALUES (1, 'first')");
    if (!wal)
        writer.execute("BEGIN");
    writer.execute("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000) "
                   "INSERT INTO c SELECT i, hex(randomblob(64)) FROM n");
    const std::string side = wal ? "-wal" : "-journal";
    fs::copy_file(original, path);
    fs::copy_file(fs::path(original.string() + side), fs::path(path.string() + side));
}

struct BadFileCase {
    const char* name;
    std::function<void(const fs::path&)> make;
    std::string fault;
};

std::ostream& operator<<(std::ostream& out, const BadFileCase& c) {
    return out << c.name;
}

class RejectedStore : public testing::TestWithParam<BadFileCase> {};

TEST_P(RejectedStore, IsReportedAndLeftUntouched) {
    test::ScratchDir dir;
    const fs::path store = dir.path() / "Source.mdb";
    GetParam().make(store);
    const test::DirectorySnapshot before = test::snapshotDirectory(dir.path());

    try {
        SnapshotStore::open(store);
        FAIL() << "opened a file that is no store";
    } catch (const StoreError& e) {
        EXPECT_EQ(std::string(e.what()),
                  store.string() + " is not a snapshot store: " + GetParam().fault);
    }
    EXPECT_EQ(test::snapshotDirectory(dir.path()), before);
}

std::string without(const std::string&) {
    return {};
}

INSTANTIATE_TEST_SUITE_P(
    Files, RejectedStore,
    testing::Values(
        BadFileCase{"text_file", [](auto& p) { writeFile(p, "Standard Jet DB\nnot sqlite"); },
                    "it is not a SQLite database"},
        BadFileCase{"access_file",
                    [](auto& p) {
                        writeFile(p, std::string("\0\x01\0\0Standard Jet DB\0", 20) +
                                         std::string(2048, '\x5a'));
                    },
                    "it is not a SQLite database"},
        BadFileCase{"empty_file", [](auto& p) { writeFile(p, ""); }, "the file is empty"},
        BadFileCase{"short_file", [](auto& p) { writeFile(p, "SQLite"); },
                    "it is not a SQLite database"},
        BadFileCase{"damaged_sqlite",
                    [](auto& p) {
                        writeFile(p,
                                  std::string("SQLite format 3\0", 16) + std::string(4096, '\xff'));
                    },
                    "file is not a database"},
        BadFileCase{"other_programs_database",
                    [](auto& p) { makeDatabase(p, "CREATE TABLE customers (id, name)"); },
                    "table SourceTable is missing"},
        BadFileCase{"other_programs_wal_database",
                    [](auto& p) {
                        makeDatabase(p, "PRAGMA journal_mode=WAL; CREATE TABLE c (id); "
                                        "INSERT INTO c VALUES (1)");
                    },
                    "table SourceTable is missing"},
        BadFileCase{"interrupted_database_with_journal",
                    [](auto& p) { makeInterruptedDatabase(p, false); },
                    "table SourceTable is missing"},
        BadFileCase{"interrupted_database_with_wal",
                    [](auto& p) { makeInterruptedDatabase(p, true); },
                    "table SourceTable is missing"},
        BadFileCase{"missing_SourceTable",
                    [](auto& p) { makeDatabase(p, storeSql("SourceTable", without)); },
                    "table SourceTable is missing"},
        BadFileCase{"missing_SourceIndex",
                    [](auto& p) { makeDatabase(p, storeSql("SourceIndex", without)); },
                    "table SourceIndex is missing"},
        BadFileCase{"missing_SourceSp",
                    [](auto& p) { makeDatabase(p, storeSql("SourceSp", without)); },
                    "table SourceSp is missing"},
        BadFileCase{"missing_SourceView",
                    [](auto& p) { makeDatabase(p, storeSql("SourceView", without)); },
                    "table SourceView is missing"},
        BadFileCase{"missing_SourceTR",
                    [](auto& p) { makeDatabase(p, storeSql("SourceTR", without)); },
                    "table SourceTR is missing"},
        BadFileCase{"missing_SourceDF",
                    [](auto& p) { makeDatabase(p, storeSql("SourceDF", without)); },
                    "table SourceDF is missing"},
        BadFileCase{"missing_column",
                    [](auto& p) {
                        makeDatabase(p, storeSql("SourceIndex", [](std::string) {
                                         return std::string(
                                             "CREATE TABLE SourceIndex (TableName, IndexName, "
                                             "IndexField, Status)");
                                     }));
                    },
                    "table SourceIndex has no column IndexFieldOrder"},
        BadFileCase{"view_in_place_of_a_table",
                    [](auto& p) {
                        makeDatabase(p, storeSql("SourceDF", [](std::string) {
                                         return std::string(
                                             "CREATE VIEW SourceDF AS SELECT 1 AS DFName, 2 AS "
                                             "TableName, 3 AS FieldName, 4 AS DFValue");
                                     }));
                    },
                    "SourceDF is a view, not a table"},
        BadFileCase{"index_on_a_text_table",
                    [](auto& p) {
                        makeDatabase(p, storeSql() + "CREATE INDEX i ON SourceSp (SpName, SpText)");
                    },
                    "table SourceSp has an index, which would change the order of its rows"},
        BadFileCase{"text_table_without_rowid",
                    [](auto& p) {
                        makeDatabase(p, storeSql("SourceTR", [](std::string) {
                                         return std::string(
                                             "CREATE TABLE SourceTR (TRName, TRText, PRIMARY KEY "
                                             "(TRName, TRText)) WITHOUT ROWID");
                                     }));
                    },
                    "table SourceTR has an index, which would change the order of its rows"}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST(RejectedStoreFile, ADirectoryIsNoStore) {
    test::ScratchDir dir;
    const fs::path store = dir.path() / "Source.mdb";
    fs::create_directory(store);
    writeFile(store / "inside", "x");
    const test::DirectorySnapshot before = test::snapshotDirectory(dir.path());
    try {
        SnapshotStore::open(store);
        FAIL() << "opened a directory";
    } catch (const StoreError& e) {
        EXPECT_EQ(std::string(e.what()),
                  store.string() + " is not a snapshot store: it is a directory");
    }
    EXPECT_EQ(test::snapshotDirectory(dir.path()), before);
}

TEST(RejectedStoreFile, AnUnreadableFileIsReportedWithTheSystemsReason) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads files whatever their permissions";
    test::ScratchDir dir;
    const fs::path store = dir.path() / "Source.mdb";
    { SnapshotStore::open(store); }
    const std::string bytes = test::readBytes(store);
    ::chmod(store.c_str(), 0);
    try {
        SnapshotStore::open(store);
        FAIL() << "opened an unreadable file";
    } catch (const StoreError& e) {
        EXPECT_EQ(std::string(e.what()), store.string() + " cannot be opened: Permission denied");
    }
    ::chmod(store.c_str(), 0644);
    EXPECT_EQ(test::readBytes(store), bytes);
}

TEST(RejectedStoreFile, ALinkToAMissingFileIsReportedAndLeftAlone) {
    test::ScratchDir dir;
    const fs::path store = dir.path() / "Source.mdb";
    fs::create_symlink(dir.path() / "elsewhere.mdb", store);
    try {
        SnapshotStore::open(store);
        FAIL() << "opened a dangling link";
    } catch (const StoreError& e) {
        EXPECT_EQ(
            std::string(e.what()).rfind("cannot create the snapshot store " + store.string(), 0),
            0u)
            << e.what();
    }
    EXPECT_TRUE(fs::is_symlink(store));
    EXPECT_EQ(test::snapshotDirectory(dir.path()).size(), 1u);
}

TEST(RejectedStoreFile, AMissingDirectoryIsReported) {
    test::ScratchDir dir;
    const fs::path store = dir.path() / "no" / "Source.mdb";
    try {
        SnapshotStore::open(store);
        FAIL() << "opened a store in a missing directory";
    } catch (const StoreError& e) {
        EXPECT_EQ(
            std::string(e.what()).rfind("cannot create the snapshot store " + store.string(), 0),
            0u)
            << e.what();
    }
    EXPECT_FALSE(fs::exists(dir.path() / "no"));
}

} // namespace
} // namespace dbc
