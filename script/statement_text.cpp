#include "script/statement_text.h"

#include "data/object_name.h"
#include "data/sql_names.h"
#include "data/sql_text.h"
#include "script/column_type.h"
#include "script/expression_text.h"

#include <initializer_list>
#include <string_view>
#include <vector>

namespace dbc {

namespace {

std::string concat(std::initializer_list<std::string_view> pieces) {
    std::size_t size = 0;
    for (auto piece : pieces)
        size += piece.size();
    std::string text;
    text.reserve(size);
    for (auto piece : pieces)
        text.append(piece);
    return text;
}

} // namespace

namespace {

// " AS (<definition>)" of a computed column; a definition that holds a line
// comment gets a line end before the closing parenthesis, which the comment
// would otherwise swallow.
std::string computedPiece(const Column& column) {
    const std::string bare = bareExpression(column.computedDefinition);
    return concat({" AS (", bare, bare.find("--") == std::string::npos ? ")" : "\n)"});
}

// decimal/numeric with a known scale write "(p,s)" after the type; an alias
// type carries its own size and takes none.
bool takesLengthPiece(const Column& column) {
    switch (typeKindOf(column.type)) {
    case TypeKind::Alias:
        return false;
    case TypeKind::ExactNumeric:
        return typeArguments(column).empty();
    case TypeKind::FractionalSeconds:
        return false;
    case TypeKind::Plain:
        break;
    }
    return true;
}

// The type as an Add or Alter writes it: the name, then its arguments.
std::string typeText(const Column& column) {
    return sqlName(column.type) + typeArguments(column);
}

} // namespace

std::string typeArguments(const Column& column) {
    if (typeKindOf(column.type) == TypeKind::ExactNumeric && column.scaleKnown &&
        !column.scale.empty())
        return exactNumericPiece(column.length, column.scale);
    // time(0), datetime2(3), datetimeoffset(7): the fractional-second digits.
    if (typeKindOf(column.type) == TypeKind::FractionalSeconds && !column.scale.empty())
        return "(" + column.scale + ")";
    return {};
}

std::string columnAttributes(const Column& column, bool creating) {
    std::string suffix;
    if (column.colStat == "1") {
        suffix += identityPiece(column.identSeed, column.identIncr);
        if (creating && column.identityNotForReplication)
            suffix += "NOT FOR REPLICATION ";
    }
    if (column.typeStat == "2" && takesLengthPiece(column))
        suffix += concat({"(", lengthText(column.length), ") "});
    if (!column.collation.empty())
        suffix += concat({" COLLATE ", column.collation});
    if (creating && column.rowGuidCol)
        suffix += " ROWGUIDCOL";
    suffix += column.nullable == "0" ? " Not NULL" : " NULL";
    return suffix;
}

std::string useStatement(const UseDatabase& change) {
    return "use " + sqlName(change.database);
}

std::string createSchemaStatement(const CreateSchema& change) {
    return concat({"CREATE SCHEMA [", bracketedNameBody(change.schema), "]"});
}

std::string createTableStatement(const CreateTable& change) {
    std::string text =
        concat({isQualified(change.table) ? "Create Table [" : "Create Table [dbo].[",
                bracketedNameBody(change.table), "] ("});
    for (std::size_t i = 0; i < change.columns.size(); ++i) {
        if (i > 0)
            text += ',';
        const Column& column = change.columns[i];
        if (column.computed()) {
            text += concat({"[", bracketedNameBody(column.name), "]", computedPiece(column)});
            continue;
        }
        text += concat({"[", bracketedNameBody(column.name), "] [", bracketedNameBody(column.type),
                        "]", typeArguments(column)});
        text += columnAttributes(column, true);
    }
    text += ") ON [PRIMARY]";
    return text;
}

std::string addColumnStatement(const AddColumn& change) {
    const Column& column = change.column;
    if (column.computed())
        return concat({"Alter Table ", sqlName(column.table), " Add ", sqlName(column.name),
                       computedPiece(column)});
    std::string text = concat({"Alter Table ", sqlName(column.table), " Add ", sqlName(column.name),
                               " ", typeText(column), columnAttributes(column, true)});
    if (change.carriedDefault) {
        const DefaultConstraint& carried = *change.carriedDefault;
        text += concat(
            {" CONSTRAINT ", sqlName(carried.name), " DEFAULT ", trimControl(carried.value)});
    }
    return text;
}

std::string alterColumnStatement(const AlterColumn& change) {
    const Column& column = change.column;
    return concat({"Alter Table ", sqlName(column.table), " Alter COLUMN ", sqlName(column.name),
                   " ", typeText(column), columnAttributes(column)});
}

std::string dropColumnStatement(const DropColumn& change) {
    return concat({"Alter Table ", sqlName(change.table),
                   change.trailing ? " Drop  Column " : " Drop Column ", sqlName(change.column),
                   " "});
}

namespace {

// "[a],[b] DESC": the key columns in key order, a descending one marked.
std::string keyColumnList(const Index& index) {
    std::string list;
    for (const IndexKey& key : index.keys) {
        list += concat({list.empty() ? "[" : ",[", bracketedNameBody(key.column), "]"});
        if (key.descending)
            list += " DESC";
    }
    return list;
}

// " INCLUDE ([b],[c])" and " WHERE <filter>", where the index has them.
std::string includeAndFilter(const Index& index) {
    std::string text;
    for (const std::string& column : index.included)
        text += concat({text.empty() ? " INCLUDE ([" : ",[", bracketedNameBody(column), "]"});
    if (!text.empty())
        text += ")";
    if (!index.filter.empty())
        text += concat({" WHERE ", index.filter});
    return text;
}

} // namespace

std::string createIndexStatement(const CreateIndex& change) {
    const Index& index = change.index;
    if (index.isKeyConstraint()) {
        return concat({"ALTER TABLE ", sqlName(index.table), " ADD CONSTRAINT ",
                       sqlName(index.name), index.isPrimaryKey() ? " PRIMARY KEY " : " UNIQUE ",
                       index.clustered() ? "CLUSTERED" : "NONCLUSTERED", " (", keyColumnList(index),
                       ") ON [PRIMARY]"});
    }
    return concat({"Create ", index.unique ? "UNIQUE " : "", index.clustered() ? "CLUSTERED  " : "",
                   "INDEX ", sqlName(index.name), " On [", bracketedNameBody(index.table), "] (",
                   keyColumnList(index), ")", includeAndFilter(index), " ON [PRIMARY]"});
}

std::string dropIndexStatement(const DropIndex& change) {
    if (change.keyConstraint)
        return concat(
            {"ALTER TABLE ", sqlName(change.table), " DROP CONSTRAINT ", sqlName(change.index)});
    // A table of another schema: the index named on its own, then the table
    // (the three-part "schema.table.index" is the older form of the two).
    if (isQualified(change.table))
        return concat({"Drop Index ", sqlName(change.index), " On ", sqlName(change.table)});
    return concat({"Drop Index ", sqlName(change.table), ".", sqlName(change.index)});
}

std::string createModuleStatement(const CreateModule& change) {
    return change.text;
}

namespace {

// "drop View [dbo].<name>" for a dbo object; another schema's object is named
// with its own schema in place of [dbo].
std::string moduleDropText(std::string_view words, const std::string& name) {
    if (isQualified(name))
        words.remove_suffix(std::string_view("[dbo].").size());
    return concat({words, sqlName(name)});
}

} // namespace

std::string dropModuleStatement(const DropModule& change) {
    std::string_view words;
    switch (change.kind->id) {
    case ObjectKind::Procedure:
        words = "drop procedure [dbo].";
        break;
    case ObjectKind::View:
        words = "drop View [dbo].";
        break;
    case ObjectKind::Trigger:
        words = change.textUnreadable ? "drop TRIGGER [dbo]." : "drop TRigger [dbo].";
        break;
    case ObjectKind::Function:
        words = "drop function [dbo].";
        break;
    }
    return moduleDropText(words, change.name);
}

std::string addDefaultStatement(const AddDefault& change) {
    const DefaultConstraint& constraint = change.constraint;
    return concat({"ALTER TABLE ", sqlName(constraint.table), " WITH NOCHECK ADD CONSTRAINT ",
                   sqlName(constraint.name), " DEFAULT ", trimControl(constraint.value), " FOR ",
                   sqlName(constraint.column)});
}

std::string dropDefaultStatement(const DropDefault& change) {
    return concat({"ALTER TABLE ", sqlName(change.table), " Drop ", sqlName(change.name)});
}

namespace {

// "[a],[b]": columns bracketed, in the order given.
std::string bracketedList(const std::vector<std::string>& columns) {
    std::string list;
    for (const std::string& column : columns)
        list += concat({list.empty() ? "[" : ",[", bracketedNameBody(column), "]"});
    return list;
}

} // namespace

std::string dropForeignKeyStatement(const DropForeignKey& change) {
    return concat(
        {"ALTER TABLE ", sqlName(change.key.table), " DROP CONSTRAINT ", sqlName(change.key.name)});
}

std::string addForeignKeyStatement(const AddForeignKey& change) {
    const ForeignKey& key = change.key;
    return concat({"ALTER TABLE ", sqlName(key.table), key.notTrusted ? " WITH NOCHECK" : "",
                   " ADD CONSTRAINT ", sqlName(key.name), " FOREIGN KEY (",
                   bracketedList(key.columns), ") REFERENCES ", sqlName(key.referencedTable), " (",
                   bracketedList(key.referencedColumns), ")",
                   key.deleteCascade ? " ON DELETE CASCADE" : "",
                   key.updateCascade ? " ON UPDATE CASCADE" : "",
                   key.notForReplication ? " NOT FOR REPLICATION" : ""});
}

std::string unscriptedChangeComment(const UnscriptedChange& change) {
    std::string line = "-- ";
    for (char c : change.object + ": " + change.reason) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 32 && byte != 127) {
            line += c;
            continue;
        }
        static constexpr char hex[] = "0123456789ABCDEF";
        line += "\\x";
        line += hex[byte >> 4];
        line += hex[byte & 15];
    }
    return line;
}

std::string columnObjectName(const std::string& table, const std::string& column) {
    return concat({sqlName(table), ".", sqlName(column)});
}

std::string constraintCheckingStatement(const SetConstraintChecking& change) {
    return concat({"ALTER TABLE ", sqlName(change.table),
                   change.enabled ? " CHECK CONSTRAINT " : " NOCHECK CONSTRAINT ",
                   sqlName(change.name)});
}

std::string addCheckStatement(const AddCheck& change) {
    const CheckConstraint& check = change.check;
    const std::string_view definition = trimControl(check.definition);
    const bool wrap = !whollyParenthesized(definition);
    return concat({"ALTER TABLE ", sqlName(check.table), change.withNoCheck ? " WITH NOCHECK" : "",
                   " ADD CONSTRAINT ", sqlName(check.name),
                   check.notForReplication ? " CHECK NOT FOR REPLICATION " : " CHECK ",
                   wrap ? "(" : "", definition, wrap ? ")" : ""});
}

std::string dropCheckStatement(const DropCheck& change) {
    return concat(
        {"ALTER TABLE ", sqlName(change.table), " DROP CONSTRAINT ", sqlName(change.name)});
}

std::string addAliasTypeStatement(const AddAliasType& change) {
    const AliasType& type = change.type;
    std::string base = type.baseType;
    if (typeKindOf(base) == TypeKind::ExactNumeric)
        base += exactNumericPiece(type.length, type.scale.empty() ? "0" : type.scale);
    else if (typeTakesLength(base))
        base += concat({"(", type.length, ")"});
    return concat({"EXEC sp_addtype ", nStringLiteral(type.name), ", ", nStringLiteral(base), ", ",
                   type.nullable ? "N'NULL'" : "N'NOT NULL'"});
}

std::string dropTableStatement(const DropTable& change) {
    return "DROP TABLE " + sqlName(change.table);
}

std::string dropExtraModuleStatement(const DropExtraModule& change) {
    std::string_view words = "drop function [dbo].";
    if (change.kind == "P")
        words = "drop procedure [dbo].";
    else if (change.kind == "V")
        words = "drop View [dbo].";
    else if (change.kind == "TR")
        words = "drop TRigger [dbo].";
    return moduleDropText(words, change.name);
}

std::string identityInsertStatement(const std::string& table, bool on) {
    return concat({"SET IDENTITY_INSERT ", sqlName(table), on ? " ON" : " OFF"});
}

std::string copyRowsStatement(const RebuildTable& change) {
    std::string into;
    std::string values;
    for (std::size_t i = 0; i < change.copiedColumns.size(); ++i) {
        into += concat({into.empty() ? "" : ",", sqlName(change.copiedColumns[i])});
        values += concat({values.empty() ? "" : ",", sqlName(change.sourceColumns[i])});
    }
    for (const auto& [column, value] : change.filledColumns) {
        into += concat({into.empty() ? "" : ",", sqlName(column)});
        values += concat({values.empty() ? "" : ",", trimControl(value)});
    }
    return concat({"INSERT INTO ", sqlName(change.temporaryName), " (", into, ") SELECT ", values,
                   " FROM ", sqlName(change.oldTable)});
}

std::string renameTableStatement(const std::string& from, const std::string& to) {
    return concat({"EXEC sp_rename ", nStringLiteral("[" + bracketedNameBody(from) + "]"), ", ",
                   nStringLiteral(std::string(bareName(to)))});
}

std::string execTextStatement(const std::string& text) {
    return concat({"EXEC (", nStringLiteral(text), ")"});
}

namespace {

struct RenderStep {
    std::string operator()(const CreateModule& c) const { return execTextStatement(c.text); }
    std::string operator()(const DropForeignKey& c) const { return dropForeignKeyStatement(c); }
    std::string operator()(const CreateIndex& c) const { return createIndexStatement(c); }
    std::string operator()(const AddDefault& c) const { return addDefaultStatement(c); }
    std::string operator()(const AddCheck& c) const { return addCheckStatement(c); }
    std::string operator()(const AddForeignKey& c) const { return addForeignKeyStatement(c); }
    std::string operator()(const SetConstraintChecking& c) const {
        return constraintCheckingStatement(c);
    }
};

} // namespace

std::string rebuildTableStatement(const RebuildTable& change) {
    std::vector<std::string> lines{"SET XACT_ABORT ON", "BEGIN TRANSACTION",
                                   createTableStatement({change.temporaryName, change.columns})};
    if (change.identityInsert)
        lines.push_back(identityInsertStatement(change.temporaryName, true));
    if (!change.copiedColumns.empty() || !change.filledColumns.empty())
        lines.push_back(copyRowsStatement(change));
    if (change.identityInsert)
        lines.push_back(identityInsertStatement(change.temporaryName, false));
    for (const RebuildStep& step : change.dropsBefore)
        lines.push_back(std::visit(RenderStep{}, step));
    lines.push_back(dropTableStatement({change.oldTable}));
    lines.push_back(renameTableStatement(change.temporaryName, change.table));
    for (const RebuildStep& step : change.putBack)
        lines.push_back(std::visit(RenderStep{}, step));
    lines.push_back("COMMIT TRANSACTION");
    lines.push_back("SET XACT_ABORT OFF");
    std::string text;
    for (const std::string& line : lines)
        text += concat({text.empty() ? "" : "\n", line});
    return text;
}

namespace {

struct Render {
    std::string operator()(const UseDatabase& c) const { return useStatement(c); }
    std::string operator()(const CreateSchema& c) const { return createSchemaStatement(c); }
    std::string operator()(const CreateTable& c) const { return createTableStatement(c); }
    std::string operator()(const AddColumn& c) const { return addColumnStatement(c); }
    std::string operator()(const AlterColumn& c) const { return alterColumnStatement(c); }
    std::string operator()(const DropColumn& c) const { return dropColumnStatement(c); }
    std::string operator()(const CreateIndex& c) const { return createIndexStatement(c); }
    std::string operator()(const DropIndex& c) const { return dropIndexStatement(c); }
    std::string operator()(const CreateModule& c) const { return createModuleStatement(c); }
    std::string operator()(const DropModule& c) const { return dropModuleStatement(c); }
    std::string operator()(const AddDefault& c) const { return addDefaultStatement(c); }
    std::string operator()(const DropDefault& c) const { return dropDefaultStatement(c); }
    std::string operator()(const DropForeignKey& c) const { return dropForeignKeyStatement(c); }
    std::string operator()(const AddForeignKey& c) const { return addForeignKeyStatement(c); }
    std::string operator()(const UnscriptedChange& c) const { return unscriptedChangeComment(c); }
    std::string operator()(const AddCheck& c) const { return addCheckStatement(c); }
    std::string operator()(const DropCheck& c) const { return dropCheckStatement(c); }
    std::string operator()(const AddAliasType& c) const { return addAliasTypeStatement(c); }
    std::string operator()(const SetConstraintChecking& c) const {
        return constraintCheckingStatement(c);
    }
    std::string operator()(const RebuildTable& c) const { return rebuildTableStatement(c); }
    std::string operator()(const DropTable& c) const { return dropTableStatement(c); }
    std::string operator()(const DropExtraModule& c) const { return dropExtraModuleStatement(c); }
};

} // namespace

std::string statementText(const Change& change) {
    return std::visit(Render{}, change.record);
}

} // namespace dbc
