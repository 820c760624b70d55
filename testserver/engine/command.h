#pragma once

#include "testserver/engine/database_file_spec.h"
#include "testserver/engine/object_name.h"
#include "testserver/engine/row_statements.h"
#include "testserver/engine/sql_type.h"
#include "testserver/engine/sql_value.h"

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace testserver {

// Parsed statements, one struct per statement form the engine carries out.

struct DefaultDefinition {
    std::optional<std::string> name; // CONSTRAINT name, else system-named
    std::string text;                // as syscomments stores it: "(expression)"
    std::string column;              // FOR column (ALTER TABLE form) or the column it sits on
};

struct KeyConstraint {
    std::optional<std::string> name;
    bool primary = false;          // PRIMARY KEY, else UNIQUE
    std::optional<bool> clustered; // CLUSTERED / NONCLUSTERED when given
    std::vector<std::string> columns;
    std::vector<bool> descending; // per column: DESC written
    bool columnLevel = false;     // written inside a column definition
    int fillFactor = 0;
};

struct CheckConstraint {
    std::optional<std::string> name;
    bool notForReplication = false;
    std::string text;               // as syscomments stores it: "(expression)"
    std::string column;             // the column it is written on; empty for a table-level CHECK
    std::vector<std::string> names; // the identifiers its expression uses
};

struct ForeignKeyConstraint {
    std::optional<std::string> name;
    std::vector<std::string> columns;
    ObjectName referencedTable;
    std::vector<std::string> referencedColumns; // empty: the referenced table's primary key
    bool deleteCascade = false;
    bool updateCascade = false;
    bool columnLevel = false;
    bool notForReplication = false;
};

// IDENTITY (seed, increment); both 1 when not written.
struct IdentityDeclaration {
    std::string seed = "1";
    std::string increment = "1";
    bool notForReplication = false;
};

// c AS expression: a computed column.
struct ComputedDefinition {
    std::string text;               // as syscomments stores it: "(expression)"
    std::vector<std::string> names; // the identifiers its expression uses
    // Only column names, whole numbers, parentheses and + - * / %.
    bool plainArithmetic = true;
    bool wholeNumbers = false; // whole numbers among its operands
};

struct ColumnDefinition {
    std::string name;
    DeclaredType type;
    std::optional<std::string> collation;
    std::optional<IdentityDeclaration> identity;
    std::optional<bool> nullable; // when NULL / NOT NULL is written
    std::optional<ComputedDefinition> computed;
    bool rowGuidCol = false;
};

struct TableElements {
    std::vector<ColumnDefinition> columns;
    std::vector<KeyConstraint> keys;
    std::vector<DefaultDefinition> defaults;
    std::vector<CheckConstraint> checks;
    std::vector<ForeignKeyConstraint> foreignKeys;
};

struct CreateTable {
    ObjectName table;
    TableElements elements;
};

struct AlterTableAdd {
    ObjectName table;
    TableElements elements;
    bool noCheck = false; // WITH NOCHECK: CHECK and FOREIGN KEY constraints are not trusted
};

// ALTER TABLE t [WITH CHECK|WITH NOCHECK] {CHECK|NOCHECK} CONSTRAINT {ALL|n, ...}
struct SetConstraintsEnabled {
    ObjectName table;
    bool enable = true;
    bool withCheck = false;         // WITH CHECK CHECK CONSTRAINT: trusted again
    std::vector<std::string> names; // empty: ALL
};

struct AlterColumn {
    ObjectName table;
    ColumnDefinition column;
};

struct DropColumns {
    ObjectName table;
    std::vector<std::string> columns;
};

struct DropConstraints {
    ObjectName table;
    std::vector<std::string> names;
};

struct CreateIndex {
    std::string name;
    ObjectName table;
    bool unique = false;
    bool clustered = false;
    bool statistics = false; // CREATE STATISTICS
    std::vector<std::string> columns;
    std::vector<bool> descending; // per column: DESC written
    int fillFactor = 0;
    long long statusBits = 0;          // of WITH PAD_INDEX, IGNORE_DUP_KEY, STATISTICS_NORECOMPUTE
    bool dropExisting = false;         // WITH DROP_EXISTING: replaces the index of that name
    std::vector<std::string> included; // INCLUDE (...), SQL Server 2005 and later
    std::optional<std::string> filter; // WHERE ..., 2008 and later: the text as written
};

struct DropIndexes {
    std::vector<std::pair<ObjectName, std::string>> indexes; // table, index
    bool onForm = false; // DROP INDEX ix ON t, which SQL Server 2000 does not know
};

enum class ModuleKind { Procedure, View, Trigger, Default, Rule, Function };

// The sysobjects xtype of a procedure, view, trigger, default or rule.
inline const char* moduleXtype(ModuleKind kind) {
    switch (kind) {
    case ModuleKind::View:
        return "V";
    case ModuleKind::Trigger:
        return "TR";
    case ModuleKind::Default:
        return "D";
    case ModuleKind::Rule:
        return "R";
    case ModuleKind::Function:
        return "FN";
    case ModuleKind::Procedure:
        break;
    }
    return "P";
}

struct CreateModule {
    ModuleKind kind = ModuleKind::Procedure;
    bool alter = false;
    ObjectName name;
    std::string text; // the whole batch as sent
    bool encrypted = false;
    ObjectName triggerTable;
    bool insteadOf = false;    // an INSTEAD OF trigger, which a view may have
    std::string functionXtype; // FN scalar, IF inline table, TF table
    bool schemaBound = false;  // WITH SCHEMABINDING
};

enum class DropKind { Table, Procedure, View, Trigger, Default, Rule, Function };

struct DropObjects {
    DropKind kind = DropKind::Table;
    std::vector<ObjectName> names;
};

// CREATE SCHEMA name [AUTHORIZATION owner] (SQL Server 2005 and later).
struct CreateSchema {
    std::string name;
    std::optional<std::string> owner;
    std::string keyword; // SCHEMA as written, for the refusal before 2005
};

// DROP SCHEMA [IF EXISTS] name
struct DropSchema {
    std::string name;
    std::string keyword;
    std::optional<std::string> ifExists; // IF as written (2016 and later)
};

struct CreateDatabase {
    std::string name;
    std::optional<std::string> collation;
    std::vector<DatabaseFileSpec> files; // as declared; empty: the default files
    std::vector<DatabaseFilegroupSpec> filegroups;
};

struct DropDatabase {
    std::vector<std::string> names;
};

struct Select {
    std::string sql; // as the client sent it
};

struct Use {
    std::string database;
};

struct SetOption {
    std::string option; // lower case, e.g. "nocount"
    std::string value;  // lower case first word of the value, e.g. "on"
};

struct HelpText {
    std::string object;
};

struct ExecProcedure {
    std::string procedure;
};

struct TransactionControl {
    enum class Kind { Begin, Commit, Rollback } kind = Kind::Begin;
};

// PRINT expression
struct Print {
    std::string expression;
};

// DECLARE @a type [, @b type ...]
struct Declare {
    std::vector<std::pair<std::string, DeclaredType>> variables;
};

// SET @a = expression
struct SetVariable {
    std::string name;
    std::string expression;
};

// SELECT @a = expression [, @b = expression ...] [FROM ...]. Without a
// top-level ORDER BY, `sql` assigns row by row as it runs (each target's
// expression wrapped in tsql_assign), so that @a = @a + name accumulates as
// in SQL Server; with one, `sql` is the SELECT with the targets taken out,
// one result column per target, and the last row's values are assigned.
struct SelectAssign {
    std::vector<std::string> names;
    std::string sql;
    bool assignsWhileRunning = false;
};

// EXEC (expression): the text the expression gives runs as a batch of its own.
// sp_executesql adds its parameters' declarations ("@a int, @b varchar(10)")
// and the values passed for them, by name or in order (no name).
struct ExecString {
    std::string expression;
    std::string parameters;
    std::vector<std::pair<std::string, SqlValue>> arguments;
};

// A statement whose arguments name @variables (EXEC proc @v, RAISERROR
// (..., @v)): at run time the values take the variables' places and the
// text is parsed and run. `returnVariable` is @rc of EXEC @rc = proc.
struct WithVariables {
    std::string text;
    std::optional<std::string> returnVariable;
};

// BREAK, CONTINUE, RETURN
struct FlowControl {
    enum class Kind { Break, Continue, Return } kind = Kind::Return;
};

// RAISERROR ('text', severity, state [, argument ...]) with the arguments
// already put into the text.
struct RaiseError {
    std::string text;
    int severity = 16;
    int state = 1;
};

// sp_addtype name, 'base type', ['NULL' | 'NOT NULL']
struct AddType {
    std::string name;
    DeclaredType base;
    std::optional<bool> nullable;
};

// sp_dboption database, 'option', 'true' | 'false'
struct DatabaseOption {
    std::string database;
    std::string option; // SQL Server's full option name
    bool on = false;
};

// ALTER DATABASE name SET option, ... | MODIFY FILE (NAME = n, SIZE = ..., ...)
struct AlterDatabase {
    std::string name;
    std::vector<DatabaseOption> options; // SET, as the sp_dboption options they stand for
    std::optional<DatabaseFileSpec> modifiedFile;
    bool sizeGiven = false;
    bool maxsizeGiven = false;
    bool growthGiven = false;
};

// A system procedure on logins, users, roles or a database's compatibility
// level; arguments by position or by @name, NULL as nothing.
struct ProcedureArgument {
    std::optional<std::string> name; // without '@', lower case
    std::optional<std::string> value;
    bool defaulted = false; // DEFAULT written: the parameter's default
};

struct ServerProcedure {
    std::string procedure; // lower case
    std::vector<ProcedureArgument> arguments;
};

// sp_droptype name
struct DropType {
    std::string name;
};

// sp_bindefault / sp_bindrule object, 'table.column' | 'alias type', and
// sp_unbindefault / sp_unbindrule 'table.column' | 'alias type'.
struct BindObject {
    bool rule = false;
    bool unbind = false;
    std::string object; // the default or rule; empty for unbinding
    std::string target;
};

// A statement that changes no catalog here (CHECKPOINT, UPDATE STATISTICS,
// GRANT, ...); `objects` must exist for it to succeed.
struct NoCatalogChange {
    std::string statement; // for messages, e.g. "UPDATE STATISTICS"
    std::vector<ObjectName> objects;
    std::vector<std::string> principals; // GRANT ... TO them: users or roles that must exist
};

// sp_addextendedproperty, sp_updateextendedproperty, sp_dropextendedproperty.
struct ExtendedPropertyCall {
    enum class Action { Add, Update, Drop } action = Action::Add;
    std::string name;
    std::optional<std::string> value;
    // level 0 (USER), 1 (TABLE, VIEW, ...) and 2 (COLUMN, INDEX, ...): type and name
    std::vector<std::pair<std::string, std::string>> levels;
};

// sp_rename 'object' | 'table.column' | 'table.index', 'new name' [, 'OBJECT' | 'COLUMN' | 'INDEX']
struct RenameObject {
    std::string object;
    std::string newName;
    std::string type; // upper case; empty when not given
};

// sp_recompile 'object'
struct Recompile {
    std::string object;
};

// DECLARE name CURSOR [LOCAL|GLOBAL] [options] FOR select [FOR READ ONLY|UPDATE ...]
// and DECLARE name [INSENSITIVE] [SCROLL] CURSOR FOR select ...
struct DeclareCursor {
    std::string name;
    std::optional<bool> global; // not written: GLOBAL
    bool scroll = false;        // FETCH may go backwards and jump
    std::string select;
};

// OPEN, CLOSE and DEALLOCATE [GLOBAL] name
struct CursorStatement {
    enum class Kind { Open, Close, Deallocate } kind = Kind::Open;
    std::string name;
    bool global = false;
};

// FETCH [NEXT|PRIOR|FIRST|LAST|ABSOLUTE n|RELATIVE n] [FROM] [GLOBAL] name [INTO @a, ...]
struct FetchCursor {
    enum class Direction {
        Next,
        Prior,
        First,
        Last,
        Absolute,
        Relative
    } direction = Direction::Next;
    std::string offset; // ABSOLUTE and RELATIVE: an expression
    std::string name;
    bool global = false;
    std::vector<std::string> into;
};

struct Command;

struct IfStatement {
    std::string condition; // SQL expression, evaluated by SQLite after rewriting
    std::shared_ptr<Command> then;
    std::shared_ptr<Command> otherwise;
};

struct WhileLoop {
    std::string condition;
    std::shared_ptr<Command> body;
};

// BEGIN ... END: statements run in order, each with its own outcome.
struct Block {
    std::vector<std::shared_ptr<Command>> statements;
};

struct Command {
    std::variant<Select, Use, SetOption, HelpText, ExecProcedure, TransactionControl, Print,
                 RaiseError, NoCatalogChange, IfStatement, Block, CreateTable, AlterTableAdd,
                 SetConstraintsEnabled, AlterColumn, DropColumns, DropConstraints, CreateIndex,
                 DropIndexes, CreateModule, DropObjects, CreateDatabase, AddType, DropType,
                 BindObject, DatabaseOption, Declare, SetVariable, SelectAssign, ExecString,
                 WithVariables, FlowControl, WhileLoop, ExtendedPropertyCall, RenameObject,
                 Recompile, DropDatabase, AlterDatabase, ServerProcedure, DeclareCursor,
                 CursorStatement, FetchCursor, InsertRows, UpdateRows, DeleteRows,
                 SetIdentityInsert, CreateSchema, DropSchema>
        action;
    int line = 1;
};

} // namespace testserver
