#include "testserver/engine/catalog_db.h"

#include "testserver/engine/consumed_identities.h"
#include "testserver/engine/name_collation.h"

#include <sqlite3.h>

namespace testserver {

namespace {

int nameCollation(void*, int lengthA, const void* a, int lengthB, const void* b) {
    return compareNames(
        std::string_view(static_cast<const char*>(a), static_cast<size_t>(lengthA)),
        std::string_view(static_cast<const char*>(b), static_cast<size_t>(lengthB)));
}

[[noreturn]] void fail(sqlite3* db, int code) {
    throw CatalogDbError(db ? sqlite3_errmsg(db) : sqlite3_errstr(code), code);
}

const char* optionalText(const char* text) {
    return text ? text : "";
}

} // namespace

CatalogStatement::CatalogStatement(sqlite3* db, std::string_view sql) : m_db(db) {
    const char* tail = nullptr;
    int rc = sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &m_stmt, &tail);
    if (rc != SQLITE_OK)
        fail(db, rc);
    if (!m_stmt)
        throw CatalogDbError("empty statement", SQLITE_MISUSE);
    if (tail)
        m_tail = sql.substr(static_cast<size_t>(tail - sql.data()));
}

CatalogStatement::~CatalogStatement() {
    sqlite3_finalize(m_stmt);
}

CatalogStatement::CatalogStatement(CatalogStatement&& other) noexcept
    : m_db(other.m_db), m_stmt(other.m_stmt), m_tail(other.m_tail) {
    other.m_stmt = nullptr;
}

CatalogStatement& CatalogStatement::bind(int index, long long value) {
    int rc = sqlite3_bind_int64(m_stmt, index, value);
    if (rc != SQLITE_OK)
        fail(m_db, rc);
    return *this;
}

CatalogStatement& CatalogStatement::bind(int index, std::string_view value) {
    int rc = sqlite3_bind_text(m_stmt, index, value.data(), static_cast<int>(value.size()),
                               SQLITE_TRANSIENT);
    if (rc != SQLITE_OK)
        fail(m_db, rc);
    return *this;
}

CatalogStatement& CatalogStatement::bind(int index, const std::optional<std::string>& value) {
    return value ? bind(index, std::string_view(*value)) : bindNull(index);
}

CatalogStatement& CatalogStatement::bindNull(int index) {
    int rc = sqlite3_bind_null(m_stmt, index);
    if (rc != SQLITE_OK)
        fail(m_db, rc);
    return *this;
}

bool CatalogStatement::step() {
    switch (int rc = sqlite3_step(m_stmt)) {
    case SQLITE_ROW:
        return true;
    case SQLITE_DONE:
        return false;
    default:
        fail(m_db, rc);
    }
}

void CatalogStatement::run() {
    while (step()) {
    }
}

void CatalogStatement::reset() {
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
}

int CatalogStatement::columnCount() const {
    return sqlite3_column_count(m_stmt);
}

std::string CatalogStatement::columnName(int column) const {
    return optionalText(sqlite3_column_name(m_stmt, column));
}

std::string CatalogStatement::declaredType(int column) const {
    return optionalText(sqlite3_column_decltype(m_stmt, column));
}

std::optional<std::string> CatalogStatement::originTable(int column) const {
    const char* name = sqlite3_column_table_name(m_stmt, column);
    return name ? std::optional<std::string>(name) : std::nullopt;
}

std::optional<std::string> CatalogStatement::originColumn(int column) const {
    const char* name = sqlite3_column_origin_name(m_stmt, column);
    return name ? std::optional<std::string>(name) : std::nullopt;
}

bool CatalogStatement::isNull(int column) const {
    return sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
}

bool CatalogStatement::isInteger(int column) const {
    return sqlite3_column_type(m_stmt, column) == SQLITE_INTEGER;
}

bool CatalogStatement::isFloat(int column) const {
    return sqlite3_column_type(m_stmt, column) == SQLITE_FLOAT;
}

long long CatalogStatement::integer(int column) const {
    return sqlite3_column_int64(m_stmt, column);
}

std::string CatalogStatement::text(int column) const {
    const unsigned char* data = sqlite3_column_text(m_stmt, column);
    int size = sqlite3_column_bytes(m_stmt, column);
    return data ? std::string(reinterpret_cast<const char*>(data), static_cast<size_t>(size))
                : std::string();
}

std::optional<std::string> CatalogStatement::value(int column) const {
    if (isNull(column))
        return std::nullopt;
    return text(column);
}

CatalogDb::CatalogDb(const std::filesystem::path& file, Mode mode) {
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX;
    if (mode == Mode::CreateNew)
        flags |= SQLITE_OPEN_CREATE;
    std::string name = file.empty() ? std::string(":memory:") : file.string();
    int rc = sqlite3_open_v2(name.c_str(), &m_db, flags, nullptr);
    if (rc != SQLITE_OK) {
        std::string message = m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(rc);
        sqlite3_close(m_db);
        throw CatalogDbError(message + ": " + name, rc);
    }
    sqlite3_extended_result_codes(m_db, 1);
    sqlite3_busy_timeout(m_db, 10000);
    // A statement outside a client's transaction commits on its own; waiting
    // for the disk at each commit made a loop of single-row INSERTs cost a
    // sync each. The catalogs are test and demo data, built again from their
    // scripts, so a commit need not survive a power failure (it still
    // survives the test server's own end).
    sqlite3_exec(m_db, "PRAGMA synchronous = OFF", nullptr, nullptr, nullptr);
    rc = sqlite3_create_collation(m_db, "NOCASE", SQLITE_UTF8, nullptr, nameCollation);
    if (rc != SQLITE_OK) {
        std::string message = sqlite3_errmsg(m_db);
        sqlite3_close(m_db);
        throw CatalogDbError(message, rc);
    }
}

CatalogDb::~CatalogDb() {
    sqlite3_close(m_db);
}

void CatalogDb::execute(const std::string& sql) {
    char* error = nullptr;
    int rc = sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, &error);
    if (rc != SQLITE_OK) {
        std::string message = error ? error : sqlite3_errstr(rc);
        sqlite3_free(error);
        throw CatalogDbError(message, rc);
    }
}

bool CatalogDb::columnNotNull(const std::string& table, const std::string& column) const {
    int notNull = 0;
    if (sqlite3_table_column_metadata(m_db, "main", table.c_str(), column.c_str(), nullptr, nullptr,
                                      &notNull, nullptr, nullptr) != SQLITE_OK)
        return false;
    return notNull != 0;
}

CatalogStatement CatalogDb::prepare(std::string_view sql) {
    return CatalogStatement(m_db, sql);
}

std::optional<long long> CatalogDb::queryInteger(std::string_view sql) {
    CatalogStatement statement(m_db, sql);
    if (!statement.step() || statement.isNull(0))
        return std::nullopt;
    return statement.integer(0);
}

// Outside a client's transaction the change takes the write lock at once
// (BEGIN IMMEDIATE), so two sessions changing one catalog wait for each
// other instead of failing on a lock upgrade; inside one it is a savepoint.
CatalogTransaction::CatalogTransaction(CatalogDb& db)
    : m_db(db), m_nested(sqlite3_get_autocommit(db.handle()) == 0) {
    m_db.execute(m_nested ? "SAVEPOINT change" : "BEGIN IMMEDIATE");
}

CatalogTransaction::~CatalogTransaction() {
    if (m_done)
        return;
    try {
        ConsumedIdentities consumed(m_db);
        if (m_nested) {
            m_db.execute("ROLLBACK TO change");
            m_db.execute("RELEASE change");
        } else {
            m_db.execute("ROLLBACK");
        }
        consumed.keep();
    } catch (const CatalogDbError&) {
        // The connection rolls back by itself when it closes.
    }
}

void CatalogTransaction::commit() {
    m_db.execute(m_nested ? "RELEASE change" : "COMMIT");
    m_done = true;
}

void copyRows(CatalogDb& source, const std::string& table, CatalogDb& target,
              const std::string& targetTable) {
    target.execute("DELETE FROM " + targetTable);
    auto rows = source.prepare("SELECT * FROM " + table);
    std::string placeholders;
    for (int i = 0; i < rows.columnCount(); ++i)
        placeholders += i == 0 ? "?" : ", ?";
    auto insert = target.prepare("INSERT INTO " + targetTable + " VALUES (" + placeholders + ")");
    while (rows.step()) {
        for (int i = 0; i < rows.columnCount(); ++i) {
            if (rows.isNull(i))
                insert.bindNull(i + 1);
            else if (rows.isInteger(i))
                insert.bind(i + 1, rows.integer(i));
            else
                insert.bind(i + 1, rows.text(i));
        }
        insert.run();
        insert.reset();
    }
}

} // namespace testserver
