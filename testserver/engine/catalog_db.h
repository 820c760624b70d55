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
class CatalogDbError : public std::runtime_error {
public:
    CatalogDbError(const std::string& message, int code)
        : std::runtime_error(message), m_code(code) {}
    int code() const noexcept { return m_code; }

private:
    int m_code;
};

// One prepared statement; finalized when the object dies.
class CatalogStatement {
public:
    CatalogStatement(sqlite3* db, std::string_view sql);
    ~CatalogStatement();
    CatalogStatement(CatalogStatement&& other) noexcept;
    CatalogStatement& operator=(CatalogStatement&&) = delete;
    CatalogStatement(const CatalogStatement&) = delete;
    CatalogStatement& operator=(const CatalogStatement&) = delete;

    // Parameters count from 1.
    CatalogStatement& bind(int index, long long value);
    CatalogStatement& bind(int index, std::string_view value);
    CatalogStatement& bind(int index, const char* value) {
        return bind(index, std::string_view(value));
    }
    CatalogStatement& bind(int index, const std::string& value) {
        return bind(index, std::string_view(value));
    }
    CatalogStatement& bind(int index, int value) {
        return bind(index, static_cast<long long>(value));
    }
    CatalogStatement& bind(int index, const std::optional<std::string>& value);
    // NULL when there is no value.
    CatalogStatement& bind(int index, std::optional<int> value) {
        return value ? bind(index, *value) : bindNull(index);
    }
    CatalogStatement& bindNull(int index);

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
    bool isFloat(int column) const;
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
// closed when the object dies. Kept apart from the product's SQLite wrapper
// (data/sqlite_connection.h): the engine needs column origins and declared
// types for result metadata, and its own collation on every connection. Every connection compares
// with NOCASE as SQL Server compares names: letter case and trailing blanks do not count.
class CatalogDb {
public:
    enum class Mode { OpenExisting, CreateNew };
    // An empty path opens a private in-memory database.
    CatalogDb(const std::filesystem::path& file, Mode mode);
    ~CatalogDb();
    CatalogDb(const CatalogDb&) = delete;
    CatalogDb& operator=(const CatalogDb&) = delete;

    void execute(const std::string& sql);
    CatalogStatement prepare(std::string_view sql);

    // The first column of the first row of a query, or nothing when it has no row.
    std::optional<long long> queryInteger(std::string_view sql);

    sqlite3* handle() const noexcept { return m_db; }

    // Whether a table's column is declared NOT NULL.
    bool columnNotNull(const std::string& table, const std::string& column) const;

    // The release the session on this connection answers as (--version),
    // whose naming rules the engine follows: from 2005 on, objects live in
    // schemas (schema_resolution.h). 2000 until the session sets it.
    int serverYear() const noexcept { return m_serverYear; }
    void setServerYear(int year) noexcept { m_serverYear = year; }

private:
    sqlite3* m_db = nullptr;
    int m_serverYear = 2000;
};

// A unit of change committed by commit() and rolled back when left without it.
class CatalogTransaction {
public:
    explicit CatalogTransaction(CatalogDb& db);
    // Keeps the changes; without it the destructor rolls them back.
    void commit();
    ~CatalogTransaction();
    CatalogTransaction(const CatalogTransaction&) = delete;
    CatalogTransaction& operator=(const CatalogTransaction&) = delete;

private:
    CatalogDb& m_db;
    bool m_nested;
    bool m_done = false;
};

// Replaces the rows of `targetTable` in `target` with those of `table` in
// `source`; both tables have the same columns in the same order.
void copyRows(CatalogDb& source, const std::string& table, CatalogDb& target,
              const std::string& targetTable);

} // namespace testserver
