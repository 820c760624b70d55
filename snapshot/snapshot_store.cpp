#include "snapshot/snapshot_store.h"

#include "data/database_error.h"
#include "data/result.h"
#include "data/sqlite_connection.h"
#include "snapshot/snapshot_info.h"
#include "snapshot/store_connection.h"
#include "snapshot/store_file.h"
#include "snapshot/store_schema.h"

#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

namespace dbc {

namespace fs = std::filesystem;

// How appendRow writes one table's field list: the INSERT statement, and
// which of its parameters go to INTEGER columns.
struct InsertPlan {
    std::string sql;
    std::vector<bool> integerColumn;
    SqliteStatement* statement = nullptr; // prepared once, owned by the connection
};

// The plan of each table and field list appendRow has met. A capture appends
// the rows of one table in a run, so the last plan used is tried first,
// without building a key.
struct SnapshotStore::Statements {
    std::unordered_map<std::string, InsertPlan> plans;
    const InsertPlan* last = nullptr;
    std::string lastTable;
    std::vector<std::string> lastFields;

    bool lastMatches(std::string_view table,
                     const std::vector<SnapshotStore::Field>& fields) const {
        if (last == nullptr || table != lastTable || fields.size() != lastFields.size())
            return false;
        for (std::size_t i = 0; i < fields.size(); ++i) {
            if (fields[i].first != lastFields[i])
                return false;
        }
        return true;
    }
};

namespace {

// Checks the file's tables through a read-only connection that takes no
// locks and leaves no journal or WAL file beside it, so that a file which is
// then rejected has not been touched.
void checkSchema(const fs::path& path) {
    std::string fault;
    try {
        SqliteConnection probe(path, SqliteConnection::OpenMode::Immutable);
        fault = findSchemaFault(probe);
    } catch (const DatabaseError& e) {
        fault = e.what();
    }
    if (!fault.empty())
        throw StoreError(notAStoreMessage(path, fault));
}

const StoreColumn& findColumn(const StoreTable& table, std::string_view name) {
    for (const auto& column : table.columns) {
        if (equalsIgnoringCase(column.name, name))
            return column;
    }
    throw DatabaseError("table " + std::string(table.name) + " has no field '" + std::string(name) +
                        "'");
}

InsertPlan insertPlan(const StoreTable& table, const std::vector<SnapshotStore::Field>& fields) {
    InsertPlan plan;
    std::string names;
    std::string marks;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const StoreColumn& column = findColumn(table, fields[i].first);
        for (std::size_t j = 0; j < i; ++j) {
            if (equalsIgnoringCase(fields[j].first, column.name))
                throw DatabaseError("field '" + std::string(column.name) + "' given twice");
        }
        names += (i ? ", " : "") + std::string(column.name);
        marks += i ? ", ?" : "?";
        plan.integerColumn.push_back(column.type == "INTEGER");
    }
    plan.sql = fields.empty() ? "INSERT INTO " + std::string(table.name) + " DEFAULT VALUES"
                              : "INSERT INTO " + std::string(table.name) + " (" + names +
                                    ") VALUES (" + marks + ")";
    return plan;
}

// True for an integer in plain decimal that SQLite stores as that integer
// and gives back with the same digits: no sign but "-", no leading zero, no
// blank, within 64 bits.
bool isPlainInteger(std::string_view text) {
    std::string_view digits = text;
    if (!digits.empty() && digits.front() == '-')
        digits.remove_prefix(1);
    if (digits.empty() || digits.size() > 19 || (digits.front() == '0' && text.size() > 1))
        return false;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return false;
    }
    if (digits.size() < 19)
        return true;
    return digits <= (text.front() == '-' ? "9223372036854775808" : "9223372036854775807");
}

} // namespace

std::unique_ptr<SnapshotStore> SnapshotStore::open(const fs::path& path) {
    if (inspectStoreFile(path) == StoreFileState::Missing) {
        // false: something is there by now (another process's file, or a
        // link to nowhere); judge that instead.
        if (!createStoreFile(path) && inspectStoreFile(path) == StoreFileState::Missing)
            throw StoreError("cannot create the snapshot store " + path.string() +
                             ": a link to a missing file is in its place");
    }
    checkSchema(path);
    std::unique_ptr<SqliteConnection> connection;
    try {
        connection =
            std::make_unique<SqliteConnection>(path, SqliteConnection::OpenMode::ExistingReadWrite);
    } catch (const DatabaseError& e) {
        throw StoreError(storeFaultMessage(path, e));
    }
    auto store = std::unique_ptr<SnapshotStore>(new SnapshotStore(path, std::move(connection)));
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) {
        store->m_device = info.st_dev;
        store->m_inode = info.st_ino;
    }
    return store;
}

std::unique_ptr<SnapshotStore> SnapshotStore::openForReading(const fs::path& path) {
    if (inspectStoreFile(path) == StoreFileState::Missing) {
        auto memory =
            std::make_unique<SqliteConnection>(":memory:", SqliteConnection::OpenMode::Create);
        for (const auto& table : storeTables())
            memory->execute(createTableSql(table));
        return std::unique_ptr<SnapshotStore>(new SnapshotStore(path, std::move(memory)));
    }
    checkSchema(path);
    // Without write permission SQLite could not roll back a journal a
    // crashed writer left; read-only, that is reported instead of failing
    // at some later read.
    struct stat info {};
    const bool writable = ::stat(path.c_str(), &info) == 0 && (info.st_mode & 0222) != 0 &&
                          ::access(path.c_str(), W_OK) == 0;
    std::unique_ptr<SqliteConnection> connection;
    try {
        connection = std::make_unique<SqliteConnection>(
            path, writable ? SqliteConnection::OpenMode::ExistingReadWrite
                           : SqliteConnection::OpenMode::ReadOnly);
    } catch (const DatabaseError& e) {
        throw StoreError(storeFaultMessage(path, e));
    }
    auto store = std::unique_ptr<SnapshotStore>(new SnapshotStore(path, std::move(connection)));
    store->m_device = info.st_dev;
    store->m_inode = info.st_ino;
    return store;
}

SnapshotStore::SnapshotStore(fs::path path, std::unique_ptr<SqliteConnection> connection)
    : m_path(std::move(path)), m_nameInMessages(m_path), m_connection(std::move(connection)),
      m_named(std::make_unique<StoreConnection>(*m_connection, m_nameInMessages)),
      m_statements(std::make_unique<Statements>()) {}

SnapshotStore::~SnapshotStore() = default;

void SnapshotStore::setNameInMessages(fs::path path) {
    m_nameInMessages = std::move(path);
    m_named = std::make_unique<StoreConnection>(*m_connection, m_nameInMessages);
}

Connection& SnapshotStore::connection() {
    return *m_named;
}

bool SnapshotStore::captured() {
    return readCaptureState(connection()).captured;
}

bool SnapshotStore::replacedOnDisk() const {
    struct stat info {};
    if (::stat(m_path.c_str(), &info) != 0)
        return m_inode != 0;
    return info.st_dev != m_device || info.st_ino != m_inode;
}

void SnapshotStore::appendRow(std::string_view table, const std::vector<Field>& fields) {
    if (!m_statements->lastMatches(table, fields)) {
        std::string key(table);
        for (const auto& field : fields) {
            key += '\x1f';
            key += field.first;
        }
        auto found = m_statements->plans.find(key);
        if (found == m_statements->plans.end()) {
            const StoreTable* storeTable = findStoreTable(table);
            if (!storeTable)
                throw DatabaseError("the snapshot store has no table " + std::string(table));
            InsertPlan plan = insertPlan(*storeTable, fields);
            try {
                plan.statement = &m_connection->cachedStatement(plan.sql);
            } catch (const DatabaseError& e) {
                throw StoreError(storeFaultMessage(m_nameInMessages, e));
            }
            found = m_statements->plans.emplace(key, std::move(plan)).first;
        }
        m_statements->last = &found->second;
        m_statements->lastTable.assign(table);
        m_statements->lastFields.clear();
        for (const auto& field : fields)
            m_statements->lastFields.emplace_back(field.first);
    }
    const InsertPlan& plan = *m_statements->last;

    SqliteStatement& insert = *plan.statement;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const auto& value = fields[i].second;
        int index = static_cast<int>(i + 1);
        // An INTEGER column turns other numeric-looking text ("007", "1.0",
        // twenty digits) into a number with other digits: such text is kept
        // as it came instead.
        if (plan.integerColumn[i] && value && !isPlainInteger(*value))
            insert.bindBytes(index, *value);
        else
            insert.bindUntilReset(index, value);
    }
    // Reset whatever happens, so no binding outlives the caller's values.
    struct ResetAfterStep {
        SqliteStatement& statement;
        ~ResetAfterStep() { statement.reset(); }
    } resetAfterStep{insert};
    try {
        insert.step();
    } catch (const DatabaseError& e) {
        throw StoreError(storeFaultMessage(m_nameInMessages, e));
    }
}

void SnapshotStore::addMissingColumns() {
    for (const std::string& sql : missingColumnsSql(*m_connection))
        m_connection->execute(sql);
}

void SnapshotStore::execute(const std::string& sql) {
    m_connection->execute(sql);
}

SnapshotStore::Transaction::Transaction(SnapshotStore& store) : m_store(store) {
    try {
        m_store.m_connection->beginTransaction();
    } catch (const DatabaseError& e) {
        throw StoreError(storeFaultMessage(m_store.m_nameInMessages, e));
    }
}

SnapshotStore::Transaction::~Transaction() {
    if (m_done)
        return;
    try {
        m_store.m_connection->rollbackTransaction();
    } catch (...) {
        // Nothing more can be done here; SQLite ends the transaction when
        // the connection closes at the latest.
    }
}

void SnapshotStore::Transaction::commit() {
    if (m_done)
        throw DatabaseError("the transaction has ended already");
    // A commit writes the pages kept in memory so far: a full disk shows
    // here, and is the store's failure, not the source's.
    try {
        m_store.m_connection->commitTransaction();
    } catch (const DatabaseError& e) {
        throw StoreError(storeFaultMessage(m_store.m_nameInMessages, e));
    }
    m_done = true;
}

fs::path defaultStorePath() {
    return fs::read_symlink("/proc/self/exe").parent_path() / "Source.mdb";
}

} // namespace dbc
