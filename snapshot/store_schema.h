#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace dbc {

class SqliteConnection;

// One column of a store table and the SQLite type it is declared with. An
// optional column was added to the store after files were already in use: a
// file without it is still a store, reads as before, and gains the column at
// its next capture; until then its rows read the column as the empty text.
struct StoreColumn {
    std::string_view name;
    std::string_view type;
    bool optional = false;
};

// One table of the snapshot store.
struct StoreTable {
    std::string_view name;
    std::vector<StoreColumn> columns;
    // True for the object-text tables, whose rows must come back from an
    // unordered "Select *" in the order they were appended.
    bool appendOrdered = false;
    // True for a table added to the store after files were already in use: a
    // file without it is still a store, and the facts it holds are then
    // unknown (never compared) until the next capture creates it.
    bool optional = false;
};

// The tables, in capture order: the six every store has (SourceTable,
// SourceIndex, SourceSp, SourceView, SourceTR, SourceDF), then the optional
// ones (SourceFK, SourceCK, SourceFN: the functions' text rows, SourceType: alias types). Every
// column is TEXT except SourceIndex.IndexFieldOrder and SourceFK.KeyOrder, declared INTEGER so that
// key positions sort as numbers (1, 2, 10) and read back as the same digits. SchemaName (and
// SourceFK.RefSchemaName) holds the schema of an object outside dbo (SQL Server 2005 and later),
// empty or NULL for a dbo one; a file written before schemas were kept has none: all dbo.
const std::vector<StoreTable>& storeTables();

// The table named `name` (letter case ignored), or nullptr.
const StoreTable* findStoreTable(std::string_view name);

// `text` as a SQLite string literal: '...' with every ' doubled.
std::string sqlLiteral(std::string_view text);

// The CREATE TABLE statement of `table`.
std::string createTableSql(const StoreTable& table);

// The CREATE TABLE and ALTER TABLE statements that give the database on
// `connection` the optional tables and columns it lacks; none for a file of
// this version.
std::vector<std::string> missingColumnsSql(SqliteConnection& connection);

// Checks that the database on `connection` holds the six tables with their
// columns (the optional tables and columns aside), as plain rowid tables whose text tables carry no
// index that could change their row order. Returns what is wrong ("table SourceDF is missing"), or
// the empty text when the database is a store. Reads only.
std::string findSchemaFault(SqliteConnection& connection);

} // namespace dbc
