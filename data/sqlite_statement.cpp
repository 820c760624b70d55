#include "data/sqlite_statement.h"

#include "data/database_error.h"

#include <climits>
#include <cstring>

namespace dbc {

std::string sqliteMessage(sqlite3* db, int rc) {
    std::string message = sqlite3_errmsg(db);
    // For a failed read or write the system's reason says more than
    // "disk I/O error": "File too large", "No space left on device".
    const int primary = rc & 0xff;
    const int systemError = sqlite3_system_errno(db);
    if ((primary == SQLITE_IOERR || primary == SQLITE_FULL || primary == SQLITE_CANTOPEN) &&
        systemError != 0)
        message += " (" + std::string(std::strerror(systemError)) + ")";
    return message;
}

namespace {

[[noreturn]] void fail(sqlite3* db, int rc) {
    throw DatabaseError(sqliteMessage(db, rc), {}, rc);
}

} // namespace

SqliteStatement::SqliteStatement(sqlite3* db, std::string_view sql, std::size_t* tail) : m_db(db) {
    if (sql.size() > static_cast<std::size_t>(INT_MAX))
        throw DatabaseError("statement too long");
    const char* end = nullptr;
    int rc = sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &m_stmt, &end);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
        fail(db, rc);
    }
    if (tail)
        *tail = end ? static_cast<std::size_t>(end - sql.data()) : sql.size();
}

SqliteStatement::~SqliteStatement() {
    sqlite3_finalize(m_stmt);
}

int SqliteStatement::columnCount() const noexcept {
    return m_stmt ? sqlite3_column_count(m_stmt) : 0;
}

void SqliteStatement::bind(int index, const std::optional<std::string>& value) {
    int rc = value ? sqlite3_bind_text64(m_stmt, index, value->data(), value->size(),
                                         SQLITE_TRANSIENT, SQLITE_UTF8)
                   : sqlite3_bind_null(m_stmt, index);
    if (rc != SQLITE_OK)
        fail(m_db, rc);
}

void SqliteStatement::bindUntilReset(int index, const std::optional<std::string>& value) {
    int rc = value ? sqlite3_bind_text64(m_stmt, index, value->data(), value->size(), SQLITE_STATIC,
                                         SQLITE_UTF8)
                   : sqlite3_bind_null(m_stmt, index);
    if (rc != SQLITE_OK)
        fail(m_db, rc);
}

void SqliteStatement::bindBytes(int index, std::string_view bytes) {
    // A zero-length blob would read back as NULL through sqlite3_column_text.
    int rc = bytes.empty()
                 ? sqlite3_bind_text(m_stmt, index, "", 0, SQLITE_STATIC)
                 : sqlite3_bind_blob64(m_stmt, index, bytes.data(), bytes.size(), SQLITE_TRANSIENT);
    if (rc != SQLITE_OK)
        fail(m_db, rc);
}

bool SqliteStatement::step() {
    int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    // Take the message before reset() so that it is the step's own.
    std::string message = sqliteMessage(m_db, rc);
    sqlite3_reset(m_stmt);
    throw DatabaseError(message, {}, rc);
}

std::string SqliteStatement::text(int column) const {
    const unsigned char* data = sqlite3_column_text(m_stmt, column);
    if (!data)
        return {};
    int length = sqlite3_column_bytes(m_stmt, column);
    return std::string(reinterpret_cast<const char*>(data), static_cast<std::size_t>(length));
}

void SqliteStatement::reset() noexcept {
    if (!m_stmt)
        return;
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
}

} // namespace dbc
