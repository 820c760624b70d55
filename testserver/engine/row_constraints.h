#pragma once

#include "testserver/engine/catalog.h"
#include "testserver/engine/row_store.h"
#include "testserver/engine/session_variables.h"

#include <string>
#include <string_view>
#include <vector>

namespace testserver {

// The rows a running statement changed: a temp table (testserver_changed)
// of rowids, which the checks below read.
void clearChangedRows(CatalogDb& db);
void markChangedRow(CatalogDb& db, long long rowid);

// The constraints a table's rows must keep, checked as SQL Server checks
// them when a statement has changed rows (INSERT, UPDATE) or when a
// constraint or index is added over existing rows (ALTER TABLE, CREATE
// INDEX). Each check throws SQL Server's message for the first violation:
// 547 for a CHECK or FOREIGN KEY, 2627 for a PRIMARY KEY or UNIQUE
// constraint, 2601 for a unique index, 1505 for a unique index or key
// created over duplicates. Disabled constraints (NOCHECK) are not checked.
class RowConstraints {
public:
    RowConstraints(CatalogDb& db, const SessionVariables& variables, std::string database,
                   long long tableId, std::string table);

    // CHECK constraints, unique indexes and FOREIGN KEYs of the table over
    // the changed rows; `verb` names the statement (INSERT, UPDATE).
    void checkChangedRows(std::string_view verb);
    // After rows were deleted or their keys changed: no row may reference a
    // key that a remembered row held and the table no longer has.
    void checkReferencesTo(std::string_view verb);
    // Remembers the referenced keys of a row about to change or go.
    void rememberKeys(long long rowid);

    // Over all rows: a CHECK or FOREIGN KEY added (or enabled WITH CHECK).
    void checkConstraint(const ObjectRow& constraint, std::string_view verb);
    // Over all rows: a unique index or key (1505, and 1750 for a key).
    void checkUniqueIndex(int indid, bool constraint);

private:
    struct Check {
        std::string name;
        std::string text;
        std::string column; // empty for a table-level CHECK
    };
    std::vector<Check> checks(std::optional<long long> only = std::nullopt);
    void checkRows(const Check& check, std::string_view verb, bool changedOnly);
    void checkForeignKey(const ForeignKeyRow& key, std::string_view verb, bool changedOnly);
    bool enabled(long long constraintId);
    std::string columnNameOf(long long tableId, int colid);
    std::string tableNameOf(long long tableId);

    CatalogDb& m_db;
    const SessionVariables& m_variables;
    std::string m_database;
    long long m_tableId;
    std::string m_table;
    RowStore m_rows;
    // Per FOREIGN KEY referencing the table, the key values of rows about to
    // change or go.
    std::vector<std::pair<ForeignKeyRow, std::vector<std::vector<SqlValue>>>> m_oldKeys;
    bool m_keysLoaded = false;
};

} // namespace testserver
