#include "snapshot_store.h"

#include "database_error.h"
#include "result.h"
#include "sqlite_connection.h"
#include "store_file.h"
#include "store_schema.h"

#include <unordered_map>

namespace dbc {

namespace fs = std::filesystem;

// The INSERT statement of each table and field list appendRow has met.
struct SnapshotStore::Statements {
    std::unordered_map<std::string, std::string> insertSql;
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

std::string insertSql(const StoreTable& table, const std::vector<SnapshotStore::Field>& fields) {
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
    }
    if (fields.empty())
        return "INSERT INTO " + std::string(table.name) + " DEFAULT VALUES";
    return "INSERT INTO " + std::string(table.name) + " (" + names + ") VALUES (" + marks + ")";
}

} // namespace

std::unique_ptr<SnapshotStore> SnapshotStore::open(const fs::path& path) {
    if (inspectStoreFile(path) == StoreFileState::Missing) {
        // false: another process put a file there meanwhile; judge that one.
        createStoreFile(path);
        inspectStoreFile(path);
    }
    checkSchema(path);
    std::unique_ptr<SqliteConnection> connection;
    try {
        connection =
            std::make_unique<SqliteConnection>(path, SqliteConnection::OpenMode::ExistingReadWrite);
    } catch (const DatabaseError& e) {
        throw StoreError(path.string() + " cannot be opened: " + e.what());
    }
    return std::unique_ptr<SnapshotStore>(new SnapshotStore(path, std::move(connection)));
}

SnapshotStore::SnapshotStore(fs::path path, std::unique_ptr<SqliteConnection> connection)
    : m_path(std::move(path)), m_connection(std::move(connection)),
      m_statements(std::make_unique<Statements>()) {}

SnapshotStore::~SnapshotStore() = default;

Connection& SnapshotStore::connection() {
    return *m_connection;
}

void SnapshotStore::appendRow(std::string_view table, const std::vector<Field>& fields) {
    std::string key(table);
    for (const auto& field : fields) {
        key += '\x1f';
        key += field.first;
    }
    auto found = m_statements->insertSql.find(key);
    if (found == m_statements->insertSql.end()) {
        const StoreTable* storeTable = findStoreTable(table);
        if (!storeTable)
            throw DatabaseError("the snapshot store has no table " + std::string(table));
        found = m_statements->insertSql.emplace(key, insertSql(*storeTable, fields)).first;
    }

    SqliteStatement& insert = m_connection->cachedStatement(found->second);
    for (std::size_t i = 0; i < fields.size(); ++i)
        insert.bind(static_cast<int>(i + 1), fields[i].second);
    insert.step();
    insert.reset();
}

void SnapshotStore::execute(const std::string& sql) {
    m_connection->execute(sql);
}

SnapshotStore::Transaction::Transaction(SnapshotStore& store) : m_store(store) {
    m_store.m_connection->beginTransaction();
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
    m_store.m_connection->commitTransaction();
    m_done = true;
}

fs::path defaultStorePath() {
    return fs::read_symlink("/proc/self/exe").parent_path() / "Source.mdb";
}

} // namespace dbc
