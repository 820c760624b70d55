#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace dbc {

class SqliteConnection;

// One column of a store table and the SQLite type it is declared with.
struct StoreColumn {
    std::string_view name;
    std::string_view type;
    // Added by a later version: a store written before lacks it and is still
    // a store; a capture into it adds the column (see addMissingColumns).
    bool optional = false;
};

// One of the six tables of the snapshot store.
struct StoreTable {
    std::string_view name;
    std::vector<StoreColumn> columns;
    // True for the object-text tables, whose rows must come back from an
    // unordered "Select *" in the order they were appended.
    bool appendOrdered = false;
};

// The six tables, in capture order: SourceTable, SourceIndex, SourceSp,
// SourceView, SourceTR, SourceDF. Every column is TEXT except
// SourceIndex.IndexFieldOrder, declared INTEGER so that key positions sort
// as numbers (1, 2, 10) and read back as the same digits.
const std::vector<StoreTable>& storeTables();

// The table named `name` (letter case ignored), or nullptr.
const StoreTable* findStoreTable(std::string_view name);

// The CREATE TABLE statement of `table`.
std::string createTableSql(const StoreTable& table);

// Checks that the database on `connection` holds the six tables with their
// columns (optional ones aside), as plain rowid tables whose text tables carry no index that could
// change their row order. Returns what is wrong ("table SourceDF is
// missing"), or the empty text when the database is a store. Reads only.
std::string findSchemaFault(SqliteConnection& connection);

// Adds the optional columns that the store on `connection` lacks, empty in
// every row.
void addMissingColumns(SqliteConnection& connection);

} // namespace dbc
