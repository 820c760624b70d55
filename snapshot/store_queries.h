#pragma once

#include "catalog/object_kinds.h"

#include <string>

// Every statement the program sends to the snapshot store, Source.mdb, text
// for text: the tests and the benchmarks key on them.

namespace dbc::store_sql {

// The column rows as the compare reads them, and their distinct table names.
inline constexpr const char* columns = "Select * From SourceTable Order by TableName,FieldName";
inline constexpr const char* tableNames = "Select TableName From SourceTable Group by TableName";

// The column rows as the window's grid shows them: in stored order at start
// and after a capture, ordered after a compare.
inline constexpr const char* gridRows = "Select * From SourceTable";
inline constexpr const char* gridRowsOrdered = columns;

// The column rows' field names alone, to learn whether the store keeps
// computed definitions; and the rows of computed columns.
inline constexpr const char* columnFields = "Select * From SourceTable Limit 0";
inline constexpr const char* computedColumnRows =
    "Select * From SourceTable Where Coalesce(ComputedText, '') <> ''";

// The index key rows and the tables that have index rows.
inline constexpr const char* indexKeys =
    "Select * From SourceIndex Order by TableName,IndexName,IndexFieldOrder";
inline constexpr const char* indexTableNames =
    "Select TableName From SourceIndex Group by TableName";

// The index key columns' names alone, to learn whether the store records the
// key facts; and the distinct indexes (table and name) whose key rows meet a
// condition on them, to count keys and unique indexes.
inline constexpr const char* indexKeyColumns = "Select * From SourceIndex Limit 0";
inline std::string indexesWhere(const std::string& condition) {
    return "Select TableName, IndexName From SourceIndex Where " + condition +
           " Group by TableName, IndexName";
}
inline constexpr const char* primaryKeyRows = "KeyConstraint = 'PK'";
inline constexpr const char* uniqueConstraintRows = "KeyConstraint = 'UQ'";
inline constexpr const char* uniqueIndexRows =
    "IsUnique = '1' And Coalesce(KeyConstraint, '') = ''";

// The default constraints, and their distinct names.
inline constexpr const char* defaults = "Select * From SourceDF Order by DFName";
inline constexpr const char* defaultNames = "Select DFName From SourceDF Group by DFName";

// Whether the store has an optional table (a file written before it was
// added has not): one row when it has.
inline std::string tableExists(const std::string& table) {
    return "SELECT name FROM sqlite_master WHERE type = 'table' AND name = '" + table +
           "' COLLATE NOCASE";
}

// The foreign key column rows, each key's in key order, and the distinct key
// names.
inline constexpr const char* foreignKeyTable = "SourceFK";
inline constexpr const char* foreignKeys = "Select * From SourceFK Order by FKName,KeyOrder";
inline constexpr const char* foreignKeyNames = "Select FKName From SourceFK Group by FKName";

// The CHECK constraints, one row each, and their distinct names.
inline constexpr const char* checkTable = "SourceCK";
inline constexpr const char* checks = "Select * From SourceCK Order by CKName";
inline constexpr const char* checkNames = "Select CKName From SourceCK Group by CKName";

// The alias types, one row each, and their distinct names.
inline constexpr const char* aliasTypeTable = "SourceType";
inline constexpr const char* aliasTypes = "Select * From SourceType Order by TypeName";
inline constexpr const char* aliasTypeNames = "Select TypeName From SourceType Group by TypeName";

// A kind's distinct object names: "Select SpName From SourceSp Group by SpName".
inline std::string moduleNames(const ObjectKind& kind) {
    return std::string("Select ") + kind.nameField + " From " + kind.storeTable + " Group by " +
           kind.nameField;
}

// Every stored text row of a kind, in stored order: "Select * From SourceSp "
// (the blank at the end included).
inline std::string moduleRows(const ObjectKind& kind) {
    return std::string("Select * From ") + kind.storeTable + " ";
}

// Every row of a store table, for counting.
inline std::string allRows(const std::string& table) {
    return "Select * From " + table;
}

// Empties a store table before a capture writes it anew.
inline std::string emptyTable(const std::string& table) {
    return "Delete From " + table;
}

// The table that records what a capture read and when, as Name/Value rows.
inline constexpr const char* createSnapshotInfo =
    "CREATE TABLE SnapshotInfo (Name TEXT, Value TEXT)";
inline constexpr const char* snapshotInfoTable =
    "SELECT name FROM sqlite_master WHERE type = 'table' AND name = 'SnapshotInfo' COLLATE NOCASE";
inline constexpr const char* snapshotInfoRows = "SELECT Name, Value FROM SnapshotInfo";
inline std::string insertSnapshotInfo(const std::string& databaseLiteral,
                                      const std::string& serverLiteral,
                                      const std::string& capturedAtLiteral) {
    return "INSERT INTO SnapshotInfo (Name, Value) VALUES ('Database', " + databaseLiteral +
           "), ('Server', " + serverLiteral + "), ('CapturedAt', " + capturedAtLiteral + ")";
}
inline std::string insertSnapshotServerVersion(const std::string& versionLiteral) {
    return "INSERT INTO SnapshotInfo (Name, Value) VALUES ('ServerVersion', " + versionLiteral +
           ")";
}

// One row of a store table, if it has any: whether a store written before
// SnapshotInfo existed holds a capture.
inline std::string anyRow(const std::string& table) {
    return "SELECT 1 FROM " + table + " LIMIT 1";
}

// A write lock taken and given back at once: fails while another program
// writes the file.
inline constexpr const char* probeWriteLock = "BEGIN IMMEDIATE; ROLLBACK";

// A capture's scratch file keeps its journal in memory and is synced once,
// whole, before it is renamed into place.
inline constexpr const char* scratchWithoutJournal =
    "PRAGMA journal_mode=MEMORY; PRAGMA synchronous=OFF";

} // namespace dbc::store_sql
