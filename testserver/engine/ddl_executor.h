#pragma once

#include "catalog.h"
#include "command.h"

namespace testserver {

// A column definition with the catalog values it gets.
struct ResolvedColumn {
    std::string name;
    std::string typeName; // the built-in type's name, lower case
    ColumnTypeValues values;
    bool nullable = true;
    bool identity = false;
    std::optional<std::string> collation;
};

// Carries out DDL statements on one catalog as SQL Server 2000 would: each
// statement changes the system tables inside one SQLite transaction and is
// refused with SQL Server's messages (ServerError) when SQL Server would
// refuse it, leaving the catalog unchanged.
class DdlExecutor {
public:
    DdlExecutor(SqliteDb& db, std::string databaseName);

    void execute(const CreateTable& statement);
    void execute(const AlterTableAdd& statement);
    void execute(const AlterColumn& statement);
    void execute(const DropColumns& statement);
    void execute(const DropConstraints& statement);
    void execute(const CreateIndex& statement);
    void execute(const DropIndexes& statement);
    void execute(const CreateModule& statement);
    void execute(const DropObjects& statement);

private:
    ResolvedColumn resolveColumn(const ColumnDefinition& column, int columnNumber,
                                 bool primaryKeyMember, const std::string& table);
    void insertColumn(long long tableId, int colid, const ResolvedColumn& column);
    void addKeyConstraint(const ObjectRow& table, const KeyConstraint& key, bool inCreate);
    void addDefault(const ObjectRow& table, const DefaultDefinition& definition);
    // Refuses with 5074 + 4922 when an index, key, statistics or default
    // depends on the column; `alteredTo` describes an ALTER COLUMN, which SQL
    // Server allows for some dependents.
    void checkDependents(const ObjectRow& table, const ColumnRow& column, bool drop,
                         const ResolvedColumn* alteredTo);
    void dropTable(const ObjectRow& table);
    void dropModule(DropKind kind, const std::string& name);
    void dropConstraint(const ObjectRow& table, const ObjectRow& constraint);
    std::string systemName(std::string_view prefix, std::string_view table, std::string_view column,
                           long long id) const;

    Catalog m_catalog;
};

} // namespace testserver
