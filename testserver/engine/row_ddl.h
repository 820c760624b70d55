#pragma once

#include "testserver/engine/catalog.h"
#include "testserver/engine/command.h"
#include "testserver/engine/row_store.h"
#include "testserver/engine/session_variables.h"

#include <set>
#include <string>
#include <vector>

namespace testserver {

// What the DDL statements do to a table's rows, as SQL Server 2000 does it.
// The session calls before() and after() around the statement's catalog
// change, all in one transaction, so a refusal leaves catalog and rows as
// they were:
// - ALTER TABLE ... ALTER COLUMN converts every stored value to the new
//   type or refuses (8152, 245, 220/8115, 515 for NULLs under NOT NULL);
// - ALTER TABLE ... ADD gives the rows the new column: its DEFAULT when the
//   column is NOT NULL, identity values for an identity column, else NULL;
//   a CHECK or FOREIGN KEY added WITH CHECK (the default) is checked over
//   the rows (547), a PRIMARY KEY or UNIQUE constraint refuses over
//   duplicates (1505, 1750);
// - ALTER TABLE ... WITH CHECK CHECK CONSTRAINT checks the rows (547);
// - ALTER TABLE ... DROP COLUMN drops the column's values;
// - CREATE UNIQUE INDEX refuses over duplicates (1505);
// - DROP TABLE drops the rows.
class RowDdl {
public:
    RowDdl(CatalogDb& db, const SessionVariables& variables, std::string database);

    template <typename Ddl> void before(const Ddl&) {}
    template <typename Ddl> void after(const Ddl&) {}

    void before(const AlterTableAdd& statement);
    void after(const AlterTableAdd& statement);
    void before(const AlterColumn& statement);
    void after(const AlterColumn& statement);
    void before(const DropColumns& statement);
    void after(const DropColumns& statement);
    void before(const CreateIndex& statement);
    void after(const CreateIndex& statement);
    void before(const SetConstraintsEnabled& statement);
    void after(const SetConstraintsEnabled& statement);
    void before(const DropObjects& statement);
    void after(const DropObjects& statement);

private:
    // Remembers the table's columns and constraints before the change.
    void remember(const ObjectName& table);
    // Rebuilds the table's rows to its columns after the change.
    void reshape();

    CatalogDb& m_db;
    const SessionVariables& m_variables;
    std::string m_database;
    RowStore m_store;
    std::optional<ObjectRow> m_table;
    std::vector<StoredColumn> m_oldColumns;
    std::set<long long> m_oldChildren; // constraint ids before the change
    std::vector<long long> m_droppedTables;
};

} // namespace testserver
