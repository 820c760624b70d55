#pragma once

#include "testserver/engine/catalog_db.h"
#include "testserver/engine/sql_type.h"
#include "testserver/engine/sql_value.h"

#include <optional>
#include <string>
#include <vector>

namespace testserver {

// `name` as a SQLite identifier: in double quotes, any '"' doubled.
std::string quotedSqliteName(const std::string& name);

// A column of a user table as its rows are stored and converted.
struct StoredColumn {
    int colid = 0;
    std::string name;
    DeclaredType type; // the built-in type, lower case, with length or precision
    bool nullable = true;
    bool identity = false;
    bool computed = false;
    bool caseSensitive = false; // a _CS_ or _BIN collation
    long long cdefault = 0;     // the default bound to the column, if any
    // The type as SQL Server writes it: "varchar(10)", "decimal(9,2)", "int".
    std::string declaration() const;
    bool isCharacter() const;
};

struct IdentitySpec {
    int colid = 0;
    long long seed = 1;
    long long increment = 1;
};

// The rows of user tables, kept in the catalog file itself so that a
// client's transaction covers rows and catalog alike. A table's rows live in
// the SQLite table `testserver_rows_<object id>`, one column `c<colid>` per
// column, declared with SQL Server's type (SQLite's affinity then keeps
// integers as integers, exact and approximate numbers as numbers, text as
// text) and, for character columns of a case-insensitive collation, COLLATE
// NOCASE (which the engine makes ignore trailing blanks, as SQL Server
// compares). Keyed by id and colid, the rows follow sp_rename of a table or
// column without change. The table is made on the first row; a user table
// without it has no rows. Each unique index of the table gets a SQLite index
// on the same columns, so the duplicate checks stay cheap.
class RowStore {
public:
    explicit RowStore(CatalogDb& db) : m_db(db) {}

    static std::string rowsTable(long long tableId);
    static std::string columnName(int colid);

    bool exists(long long tableId);
    // Makes the rows table when the table has none yet.
    void ensure(long long tableId);
    // Drops the rows table (DROP TABLE).
    void drop(long long tableId);
    long long count(long long tableId);

    // The table's columns from syscolumns, in colid order.
    std::vector<StoredColumn> columns(long long tableId);
    std::optional<IdentitySpec> identity(long long tableId);
    // The next identity value (IDENTITY's seed for the first row).
    long long nextIdentity(long long tableId, const IdentitySpec& identity);
    // An explicit identity value beyond the current one becomes the current.
    void noteIdentity(long long tableId, const IdentitySpec& identity, long long value);
    // The last identity value given, if any.
    std::optional<long long> currentIdentity(long long tableId);

    // Adds a row: one value per column of `columns`; the row's rowid.
    long long insert(long long tableId, const std::vector<StoredColumn>& columns,
                     const std::vector<SqlValue>& values);
    // Stores a row under its rowid (a rebuilt table keeps the rowids).
    void insertAt(const std::string& table, long long rowid,
                  const std::vector<StoredColumn>& columns, const std::vector<SqlValue>& values);
    void update(long long tableId, long long rowid, const std::vector<StoredColumn>& columns,
                const std::vector<SqlValue>& values);
    void remove(long long tableId, long long rowid);
    // The row's values for `columns`.
    std::vector<SqlValue> read(long long tableId, long long rowid,
                               const std::vector<StoredColumn>& columns);

    // Creates an empty rows table of that name with the table's columns.
    void create(const std::string& name, const std::vector<StoredColumn>& columns);
    // The SQLite indexes of the table's unique indexes, on its rows table.
    void createIndexes(long long tableId);

    // A SELECT giving the table's rows under its column names, for the view
    // a statement reads the table through; `withRowIds` adds the column
    // testserver_rowid that UPDATE and DELETE find their rows by.
    std::string viewSelect(long long tableId, bool withRowIds);

private:
    CatalogDb& m_db;
};

// A value as the statement reads it back: numbers marked as numbers.
SqlValue storedValue(const CatalogStatement& statement, int column);

} // namespace testserver
