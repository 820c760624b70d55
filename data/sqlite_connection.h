#pragma once

#include "data/connection.h"
#include "data/sqlite_statement.h"

#include <filesystem>
#include <memory>
#include <string>
#include <unordered_map>

struct sqlite3;

namespace dbc {

// A connection to a SQLite database file. Values read as text (integers in
// plain decimal, NULL as the empty text); errors carry sqlite3's messages.
class SqliteConnection : public Connection {
public:
    enum class OpenMode {
        ExistingReadWrite, // the file must exist; it is never created
        ReadOnly,          // the file must exist; nothing is written
        Immutable,         // read-only, no locks, no journal or WAL file made
        Create,            // created when missing
    };

    SqliteConnection(const std::filesystem::path& path, OpenMode mode);
    ~SqliteConnection() override;

    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;

    // Runs the statements of `sql` in order and returns every row of the
    // first one that has columns; the statements after it run too.
    Result open(const std::string& sql) override;
    // Runs every statement of `sql`.
    void execute(const std::string& sql) override;

    // A prepared statement kept for reuse under its text: ready to bind, and
    // reset and unbound when handed out again.
    SqliteStatement& cachedStatement(const std::string& sql);

    // Nested transactions as savepoints: everything since the matching
    // begin is kept by commit and undone by rollback.
    void beginTransaction();
    void commitTransaction();
    void rollbackTransaction();
    int transactionDepth() const noexcept { return m_depth; }

    sqlite3* handle() const noexcept { return m_db; }

private:
    sqlite3* m_db = nullptr;
    int m_depth = 0;
    std::unordered_map<std::string, std::unique_ptr<SqliteStatement>> m_cache;
};

} // namespace dbc
