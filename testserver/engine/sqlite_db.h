#pragma once

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace testserver {

// A failure reported by SQLite, carrying SQLite's own message.
class SqliteError : public std::runtime_error {
public:
    SqliteError(const std::string& message, int code) : std::runtime_error(message), m_code(code) {}
    int code() const noexcept { return m_code; }

private:
    int m_code;
};

// One prepared statement; finalized when the object dies.
class SqliteStatement {
public:
    SqliteStatement(sqlite3* db, std::string_view sql);
    ~SqliteStatement();
    SqliteStatement(SqliteStatement&& other) noexcept;
    SqliteStatement& operator=(SqliteStatement&&) = delete;
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    // Parameters count from 1.
    SqliteStatement& bind(int index, long long value);
    SqliteStatement& bind(int index, std::string_view value);
    SqliteStatement& bind(int index, const char* value) {
        return bind(index, std::string_view(value));
    }
    SqliteStatement& bind(int index, const std::string& value) {
        return bind(index, std::string_view(value));
    }
    SqliteStatement& bind(int index, int value) {
        return bind(index, static_cast<long long>(value));
    }
    SqliteStatement& bind(int index, const std::optional<std::string>& value);
    SqliteStatement& bindNull(int index);

    // Runs to the next row; false when the statement is done.
    bool step();
    // Runs a statement that yields no rows.
    void run();
    void reset();

    int columnCount() const;
    std::string columnName(int column) const;
    // The declared type of a result column that is a plain table column, else empty.
    std::string declaredType(int column) const;
    // The table and column a result column comes from, when it is a plain column.
    std::optional<std::string> originTable(int column) const;
    std::optional<std::string> originColumn(int column) const;

    bool isNull(int column) const;
    bool isInteger(int column) const;
    long long integer(int column) const;
    std::string text(int column) const;
    std::optional<std::string> value(int column) const;

    // The statement text left over after the first statement (prepare stops there).
    std::string_view tail() const noexcept { return m_tail; }

private:
    sqlite3* m_db;
    sqlite3_stmt* m_stmt = nullptr;
    std::string_view m_tail;
};

// One SQLite connection to a catalog file (or to an in-memory catalog),
// closed when the object dies. Every connection compares with NOCASE as SQL
// Server compares names: letter case and trailing blanks do not count.
class SqliteDb {
public:
    enum class Mode { OpenExisting, CreateNew };
    // An empty path opens a private in-memory database.
    SqliteDb(const std::filesystem::path& file, Mode mode);
    ~SqliteDb();
    SqliteDb(const SqliteDb&) = delete;
    SqliteDb& operator=(const SqliteDb&) = delete;

    void execute(const std::string& sql);
    SqliteStatement prepare(std::string_view sql);

    // The first column of the first row of a query, or nothing when it has no row.
    std::optional<long long> queryInteger(std::string_view sql);

    sqlite3* handle() const noexcept { return m_db; }

    // Whether a table's column is declared NOT NULL.
    bool columnNotNull(const std::string& table, const std::string& column) const;

private:
    sqlite3* m_db = nullptr;
};

// A unit of change committed by commit() and rolled back when left without it.
class SqliteTransaction {
public:
    explicit SqliteTransaction(SqliteDb& db);
    ~SqliteTransaction();
    SqliteTransaction(const SqliteTransaction&) = delete;
    SqliteTransaction& operator=(const SqliteTransaction&) = delete;
    void commit();

private:
    SqliteDb& m_db;
    bool m_nested;
    bool m_done = false;
};

} // namespace testserver
