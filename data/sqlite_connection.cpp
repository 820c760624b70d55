#include "data/sqlite_connection.h"

#include "data/database_error.h"

#include <sqlite3.h>

namespace dbc {

namespace {

// How long a statement waits for another process's lock on the file.
constexpr int kBusyTimeoutMs = 10000;

std::string savepointName(int depth) {
    return "dbc_savepoint_" + std::to_string(depth);
}

void runToEnd(SqliteStatement& statement) {
    while (statement.step()) {
    }
}

// A "file:" URI for `path`: every byte other than letters, digits and
// "/-._~" percent-encoded, so "?", "#" and "%" in a name stay in the name.
std::string fileUri(const std::filesystem::path& path, std::string_view query) {
    static const char* hex = "0123456789ABCDEF";
    std::string uri = "file:";
    for (unsigned char c : std::filesystem::absolute(path).string()) {
        bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                     c == '/' || c == '-' || c == '.' || c == '_' || c == '~';
        if (plain) {
            uri += static_cast<char>(c);
        } else {
            uri += '%';
            uri += hex[c >> 4];
            uri += hex[c & 15];
        }
    }
    return uri + "?" + std::string(query);
}

} // namespace

SqliteConnection::SqliteConnection(const std::filesystem::path& path, OpenMode mode) {
    int flags = SQLITE_OPEN_NOMUTEX;
    std::string name = path.string();
    switch (mode) {
    case OpenMode::ExistingReadWrite:
        flags |= SQLITE_OPEN_READWRITE;
        break;
    case OpenMode::ReadOnly:
        flags |= SQLITE_OPEN_READONLY;
        break;
    case OpenMode::Immutable:
        flags |= SQLITE_OPEN_READONLY | SQLITE_OPEN_URI;
        name = fileUri(path, "immutable=1");
        break;
    case OpenMode::Create:
        flags |= SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
        break;
    }
    int rc = sqlite3_open_v2(name.c_str(), &m_db, flags, nullptr);
    if (rc != SQLITE_OK) {
        std::string message = m_db ? sqliteMessage(m_db, rc) : sqlite3_errstr(rc);
        sqlite3_close(m_db);
        m_db = nullptr;
        throw DatabaseError(message, {}, rc);
    }
    sqlite3_extended_result_codes(m_db, 1);
    sqlite3_busy_timeout(m_db, kBusyTimeoutMs);
}

SqliteConnection::~SqliteConnection() {
    m_cache.clear();
    if (m_depth > 0)
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(m_db);
}

Result SqliteConnection::open(const std::string& sql) {
    std::string_view rest = sql;
    std::optional<Result> result;
    while (!rest.empty()) {
        std::size_t used = 0;
        SqliteStatement statement(m_db, rest, &used);
        rest.remove_prefix(used);
        if (statement.empty())
            continue;
        if (result || statement.columnCount() == 0) {
            runToEnd(statement);
            continue;
        }
        std::vector<std::string> columns;
        int count = statement.columnCount();
        for (int c = 0; c < count; ++c) {
            const char* name = sqlite3_column_name(statement.get(), c);
            columns.emplace_back(name ? name : "");
        }
        result.emplace(std::move(columns), std::vector<Result::Row>{});
        while (statement.step()) {
            Result::Row row;
            row.reserve(static_cast<std::size_t>(count));
            for (int c = 0; c < count; ++c)
                row.push_back(statement.text(c));
            result->addRow(std::move(row));
        }
    }
    if (!result)
        throw DatabaseError(kNoResultSet);
    return std::move(*result);
}

void SqliteConnection::execute(const std::string& sql) {
    std::string_view rest = sql;
    while (!rest.empty()) {
        std::size_t used = 0;
        SqliteStatement statement(m_db, rest, &used);
        rest.remove_prefix(used);
        if (!statement.empty())
            runToEnd(statement);
    }
}

SqliteStatement& SqliteConnection::cachedStatement(const std::string& sql) {
    auto found = m_cache.find(sql);
    if (found != m_cache.end()) {
        found->second->reset();
        return *found->second;
    }
    auto statement = std::make_unique<SqliteStatement>(m_db, sql);
    if (statement->empty())
        throw DatabaseError("empty statement: " + sql);
    return *m_cache.emplace(sql, std::move(statement)).first->second;
}

void SqliteConnection::beginTransaction() {
    execute("SAVEPOINT " + savepointName(m_depth + 1));
    ++m_depth;
}

void SqliteConnection::commitTransaction() {
    if (m_depth == 0)
        throw DatabaseError("no transaction is open");
    execute("RELEASE " + savepointName(m_depth));
    --m_depth;
}

void SqliteConnection::rollbackTransaction() {
    if (m_depth == 0)
        throw DatabaseError("no transaction is open");
    std::string name = savepointName(m_depth);
    --m_depth;
    // After an error that made SQLite roll back by itself the savepoint is
    // gone already; the transaction ends either way.
    if (sqlite3_get_autocommit(m_db))
        return;
    // The outermost level ends with a plain ROLLBACK: ROLLBACK TO followed
    // by RELEASE would commit an empty transaction, which still rewrites the
    // file's change counter.
    if (m_depth == 0)
        execute("ROLLBACK");
    else
        execute("ROLLBACK TO " + name + "; RELEASE " + name);
}

} // namespace dbc
