#pragma once

#include "testserver/engine/catalog.h"
#include "testserver/engine/command.h"

namespace testserver {

// A column definition with the catalog values it gets.
struct ResolvedColumn {
    std::string name;
    std::string typeName; // the built-in type's name, lower case
    ColumnTypeValues values;
    bool nullable = true;
    bool identity = false;
    IdentityDeclaration identityDeclaration;
    std::optional<std::string> collation;
    std::optional<ComputedDefinition> computed;
    bool rowGuidCol = false;
};

// The built-in type an alias type stands for, with its length or precision.
DeclaredType aliasBaseType(const AliasTypeRow& alias);

// Carries out DDL statements on one catalog as SQL Server 2000 would: each
// statement changes the system tables inside one SQLite transaction and is
// refused with SQL Server's messages (ServerError) when SQL Server would
// refuse it, leaving the catalog unchanged.
class DdlExecutor {
public:
    // `serverYear`: the release answered as (--version), which decides the
    // types and syntax taken.
    DdlExecutor(CatalogDb& db, std::string databaseName, int serverYear = 2000);

    void execute(const CreateTable& statement);
    void execute(const AlterTableAdd& statement);
    void execute(const SetConstraintsEnabled& statement);
    void execute(const AddType& statement);
    void execute(const DropType& statement);
    void execute(const BindObject& statement);
    void execute(const DatabaseOption& statement);
    void execute(const AlterColumn& statement);
    void execute(const DropColumns& statement);
    void execute(const DropConstraints& statement);
    void execute(const CreateIndex& statement);
    void execute(const DropIndexes& statement);
    void execute(const CreateModule& statement);
    void execute(const DropObjects& statement);
    void execute(const ExtendedPropertyCall& statement);
    void execute(const RenameObject& statement);
    void execute(const CreateSchema& statement); // schema_ddl_executor.cpp
    void execute(const DropSchema& statement);

private:
    ResolvedColumn resolveColumn(const ColumnDefinition& column, int columnNumber,
                                 bool primaryKeyMember, const std::string& table);
    void insertColumn(long long tableId, int colid, const ResolvedColumn& column);
    // A column new to the table, with its identity seed and increment and a
    // computed column's text.
    void insertNewColumn(long long tableId, int colid, const ResolvedColumn& column);
    // Gives the computed columns among `added` their types, from the table's
    // other columns (`existing` of an ALTER TABLE ADD, and `added`), and
    // refuses a second ROWGUIDCOL (8196) or one on another type.
    void completeColumns(const ObjectRow* table, std::vector<ResolvedColumn>& added);
    void addKeyConstraint(const ObjectRow& table, const KeyConstraint& key, bool inCreate);
    void addDefault(const ObjectRow& table, const DefaultDefinition& definition);
    void addCheck(const ObjectRow& table, const CheckConstraint& check, bool noCheck);
    void addForeignKey(const ObjectRow& table, const ForeignKeyConstraint& key, bool noCheck);
    // CHECK, FOREIGN KEY, key and default constraints of a CREATE TABLE or
    // ALTER TABLE ADD, in the order SQL Server creates them.
    void addConstraints(const ObjectRow& table, const TableElements& elements, bool inCreate,
                        bool noCheck);
    // Refuses with 5074 + 4922 when an index, key, statistics or default
    // depends on the column; `alteredTo` describes an ALTER COLUMN, which SQL
    // Server allows for some dependents.
    void checkDependents(const ObjectRow& table, const ColumnRow& column, bool drop,
                         const ResolvedColumn* alteredTo);
    // Refuses with 3726 when a FOREIGN KEY of another table references it.
    void dropTable(const ObjectRow& table);
    void dropModule(DropKind kind, const ObjectName& name);
    // 208 for the first object a view or inline function names (FROM, JOIN,
    // dbo.f(...)) that does not exist, as SQL Server refuses it on CREATE.
    void refuseMissingReferences(const CreateModule& statement, long long schemaId);
    // Refuses with 3725 + 3727 a key that a FOREIGN KEY references.
    void dropConstraint(const ObjectRow& table, const ObjectRow& constraint);
    // CREATE INDEX ... WITH DROP_EXISTING: drops the index it replaces (7999
    // when there is none) and takes it out of `indexes`.
    void dropReplacedIndex(const ObjectRow& table, const std::string& name,
                           std::vector<IndexRow>& indexes);
    // A FOREIGN KEY that references exactly the index's columns.
    std::optional<ForeignKeyRow> foreignKeyUsing(long long tableId, const IndexRow& index);
    // Whether a CHECK constraint's expression (or the computed column
    // `number` of a table) names the column.
    bool checkUses(long long checkId, std::string_view column, int number = 0);
    std::string systemName(std::string_view prefix, std::string_view table, std::string_view column,
                           long long id) const;

    Catalog m_catalog;
    int m_serverYear = 2000;
};

} // namespace testserver
