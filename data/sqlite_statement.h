#pragma once

#include <sqlite3.h>

#include <optional>
#include <string>
#include <string_view>

namespace dbc {

// sqlite3's message for the failure `rc` on `db`, followed by the system's
// reason when a read or write of the file failed.
std::string sqliteMessage(sqlite3* db, int rc);

// One prepared SQLite statement, finalized when it goes out of scope.
class SqliteStatement {
public:
    // Prepares the first statement of `sql`; `tail` (when given) receives the
    // position in `sql` after it. An empty statement (only blanks or a
    // comment) leaves the object empty().
    SqliteStatement(sqlite3* db, std::string_view sql, std::size_t* tail = nullptr);
    ~SqliteStatement();

    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    bool empty() const noexcept { return m_stmt == nullptr; }
    sqlite3_stmt* get() const noexcept { return m_stmt; }
    int columnCount() const noexcept;

    // Binds parameter `index` (from 1) to `value`; std::nullopt binds NULL.
    void bind(int index, const std::optional<std::string>& value);

    // The same without copying the text: `value` must stay unchanged until
    // the statement is reset.
    void bindUntilReset(int index, const std::optional<std::string>& value);

    // Binds parameter `index` to `bytes` as a BLOB: stored exactly as given,
    // untouched by the column's type affinity, and read back as the same text.
    void bindBytes(int index, std::string_view bytes);

    // One step: true when a row is ready, false when the statement is done.
    bool step();

    // The value of column `column` (from 0) of the current row as text:
    // integers in plain decimal, NULL as the empty text.
    std::string text(int column) const;

    // Makes the statement ready to run again and clears its bindings.
    void reset() noexcept;

private:
    sqlite3* m_db;
    sqlite3_stmt* m_stmt = nullptr;
};

} // namespace dbc
