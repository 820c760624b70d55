#pragma once

#include "catalog/catalog_model.h"
#include "catalog/object_kinds.h"
#include "data/connection.h"
#include "data/result.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace dbc {

class SqliteConnection;

// How many rows a store table holds and how many distinct names (tables,
// objects, constraints) the compare finds in it.
struct StoreTableCount {
    std::string table;
    std::size_t rows = 0;
    std::size_t distinctNames = 0;
};

// A store file that cannot be used: the message names the file and what is
// wrong with it. The file itself has not been touched.
class StoreError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The snapshot store, Source.mdb: a SQLite file with the six tables
// SourceTable, SourceIndex, SourceSp, SourceView, SourceTR and SourceDF.
class SnapshotStore {
public:
    // Opens the store at `path`. A missing file is created with the six empty
    // tables. A file that exists but is not a store (not SQLite, another
    // program's database, a table or column missing, unreadable) is never
    // modified: StoreError names the file and the fault.
    static std::unique_ptr<SnapshotStore> open(const std::filesystem::path& path);

    // Opens the store at `path` for reading, as a compare, `show` and the
    // window do: a missing file is not created, the store then reads as six
    // empty tables (captured() is false). A file without write permission
    // is opened read-only.
    static std::unique_ptr<SnapshotStore> openForReading(const std::filesystem::path& path);

    ~SnapshotStore();
    SnapshotStore(const SnapshotStore&) = delete;
    SnapshotStore& operator=(const SnapshotStore&) = delete;

    const std::filesystem::path& path() const noexcept { return m_path; }

    // The store's connection, for the statements the program sends to it.
    // Its failures are thrown as StoreError naming the file.
    Connection& connection();

    // True when the file holds a completed capture (see snapshot_info.h).
    bool captured();

    // True when the file at path() is no longer the one this store has open:
    // a capture elsewhere has put a new snapshot in its place.
    bool replacedOnDisk() const;

    // The path that errors name; a capture's scratch file names the store
    // it will replace. Call before connection() is handed out.
    void setNameInMessages(std::filesystem::path path);

    // A field to write: the column name and its text; std::nullopt leaves
    // the field unset (NULL, which reads back as the empty text).
    using Field = std::pair<std::string_view, std::optional<std::string>>;

    // Appends one row to `table`. Prepared statements are cached, so
    // appending many rows costs one step each.
    void appendRow(std::string_view table, const std::vector<Field>& fields);

    // Runs `sql` on the store.
    void execute(const std::string& sql);

    // Gives a store file written by an earlier version the columns it lacks
    // (the scale and identity seed of SourceTable, the key facts of
    // SourceIndex), so a capture can fill them. Rows already there read those
    // fields as empty.
    void addMissingColumns();

    // The capture's writes: a store table emptied, then its rows appended
    // from the model. An empty collation is stored as NULL; every other
    // value as it is.
    void emptyTable(const std::string& table);
    void appendColumn(const Column& column);
    void appendIndexKey(const Index& index, const IndexKey& key);
    // An included column of an index: a SourceIndex row marked IsIncluded,
    // ordered after the index's keys at `position`.
    void appendIncludedColumn(const Index& index, const std::string& column, std::size_t position);
    void appendModuleRow(const ObjectKind& kind, const std::string& name, const std::string& text);
    void appendDefault(const DefaultConstraint& constraint);
    // One SourceFK row per key column, KeyOrder counting from 1.
    void appendForeignKey(const ForeignKey& key);
    // One SourceCK row per constraint, its definition whole.
    void appendCheck(const CheckConstraint& check);
    // One SourceType row per alias type.
    void appendAliasType(const AliasType& type);

    // The column rows the window's grid shows: in stored order, or ordered
    // by table and column name.
    Result gridRows(bool ordered);

    // Rows and distinct names of the tables, in capture order (an optional
    // table the file lacks left out). Like
    // gridRows, a failure is a StoreError naming the file.
    std::vector<StoreTableCount> counts();

    // How many of the stored columns are computed; std::nullopt for a store
    // written before computed definitions were kept.
    std::optional<std::size_t> computedColumnCount();

    // One store transaction: everything done between begin and commit is
    // kept only when commit() is called; a Transaction destroyed without
    // commit rolls back and leaves the store as it was before begin.
    class Transaction {
    public:
        explicit Transaction(SnapshotStore& store);
        ~Transaction();
        Transaction(const Transaction&) = delete;
        Transaction& operator=(const Transaction&) = delete;
        void commit();

    private:
        SnapshotStore& m_store;
        bool m_done = false;
    };

private:
    SnapshotStore(std::filesystem::path path, std::unique_ptr<SqliteConnection> connection);

    struct Statements;
    std::filesystem::path m_path;
    std::filesystem::path m_nameInMessages;
    std::unique_ptr<SqliteConnection> m_connection;
    std::unique_ptr<Connection> m_named;
    std::unique_ptr<Statements> m_statements;
    // The file's identity when opened (device, inode); both 0 in memory.
    unsigned long long m_device = 0;
    unsigned long long m_inode = 0;
};

// Source.mdb in the directory of the running executable.
std::filesystem::path defaultStorePath();

} // namespace dbc
