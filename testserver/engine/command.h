#pragma once

#include "sql_type.h"

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
};

struct ColumnDefinition {
    std::string name;
    DeclaredType type;
    std::optional<std::string> collation;
    bool identity = false;
    std::optional<bool> nullable; // when NULL / NOT NULL is written
};

struct TableElements {
    std::vector<ColumnDefinition> columns;
    std::vector<KeyConstraint> keys;
    std::vector<DefaultDefinition> defaults;
};

struct CreateTable {
    std::string table;
    TableElements elements;
};

struct AlterTableAdd {
    std::string table;
    TableElements elements;
};

struct AlterColumn {
    std::string table;
    ColumnDefinition column;
};

struct DropColumns {
    std::string table;
    std::vector<std::string> columns;
};

struct DropConstraints {
    std::string table;
    std::vector<std::string> names;
};

struct CreateIndex {
    std::string name;
    std::string table;
    bool unique = false;
    bool clustered = false;
    bool statistics = false; // CREATE STATISTICS
    std::vector<std::string> columns;
};

struct DropIndexes {
    std::vector<std::pair<std::string, std::string>> indexes; // table, index
};

enum class ModuleKind { Procedure, View, Trigger };

// The sysobjects xtype of a procedure, view or trigger.
inline const char* moduleXtype(ModuleKind kind) {
    switch (kind) {
    case ModuleKind::View:
        return "V";
    case ModuleKind::Trigger:
        return "TR";
    case ModuleKind::Procedure:
        break;
    }
    return "P";
}

struct CreateModule {
    ModuleKind kind = ModuleKind::Procedure;
    bool alter = false;
    std::string name;
    std::string text; // the whole batch as sent
    bool encrypted = false;
    std::string triggerTable;
};

enum class DropKind { Table, Procedure, View, Trigger };

struct DropObjects {
    DropKind kind = DropKind::Table;
    std::vector<std::string> names;
};

struct CreateDatabase {
    std::string name;
    std::optional<std::string> collation;
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

struct Print {
    std::string text;
};

struct Command;

struct IfStatement {
    std::string condition; // SQL expression, evaluated by SQLite after rewriting
    std::shared_ptr<Command> then;
    std::shared_ptr<Command> otherwise;
};

struct Command {
    std::variant<Select, Use, SetOption, HelpText, ExecProcedure, TransactionControl, Print,
                 IfStatement, CreateTable, AlterTableAdd, AlterColumn, DropColumns, DropConstraints,
                 CreateIndex, DropIndexes, CreateModule, DropObjects, CreateDatabase>
        action;
    int line = 1;
};

} // namespace testserver
