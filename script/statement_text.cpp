#include "statement_text.h"

#include "sql_text.h"

#include <initializer_list>
#include <string_view>

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

std::string columnAttributes(const Column& column) {
    std::string suffix;
    if (column.colStat == "1")
        suffix += " IDENTITY (1, 1) ";
    if (column.typeStat == "2")
        suffix += concat({"(", column.length, ") "});
    if (!column.collation.empty())
        suffix += concat({" COLLATE ", column.collation});
    suffix += column.nullable == "0" ? " Not NULL" : " NULL";
    return suffix;
}

std::string useStatement(const UseDatabase& change) {
    return "use " + change.database;
}

std::string createTableStatement(const CreateTable& change) {
    std::string text = concat({"Create Table [dbo].[", change.table, "] ("});
    for (std::size_t i = 0; i < change.columns.size(); ++i) {
        if (i > 0)
            text += ',';
        const Column& column = change.columns[i];
        text += concat({"[", column.name, "] [", column.type, "]"});
        text += columnAttributes(column);
    }
    text += ") ON [PRIMARY]";
    return text;
}

std::string addColumnStatement(const AddColumn& change) {
    const Column& column = change.column;
    return concat({"Alter Table ", column.table, " Add ", column.name, " ", column.type,
                   columnAttributes(column)});
}

std::string alterColumnStatement(const AlterColumn& change) {
    const Column& column = change.column;
    return concat({"Alter Table ", column.table, " Alter COLUMN ", column.name, " ", column.type,
                   columnAttributes(column)});
}

std::string dropColumnStatement(const DropColumn& change) {
    return concat({"Alter Table ", change.table,
                   change.trailing ? " Drop  Column " : " Drop Column ", change.column, " "});
}

std::string createIndexStatement(const CreateIndex& change) {
    const Index& index = change.index;
    std::string text = concat({index.clustered() ? "Create CLUSTERED  INDEX " : "Create INDEX ",
                               index.name, " On [", index.table, "] ("});
    for (std::size_t i = 0; i < index.keys.size(); ++i)
        text += concat({i > 0 ? ",[" : "[", index.keys[i].column, "]"});
    text += ") ON [PRIMARY]";
    return text;
}

std::string dropIndexStatement(const DropIndex& change) {
    return concat({"Drop Index ", change.table, ".", change.index});
}

std::string createModuleStatement(const CreateModule& change) {
    return change.text;
}

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
    }
    return concat({words, change.name});
}

std::string addDefaultStatement(const AddDefault& change) {
    const DefaultConstraint& constraint = change.constraint;
    return concat({"ALTER TABLE ", constraint.table, " WITH NOCHECK ADD CONSTRAINT ",
                   constraint.name, " DEFAULT ", trimControl(constraint.value), " FOR ",
                   constraint.column});
}

std::string dropDefaultStatement(const DropDefault& change) {
    return concat({"ALTER TABLE ", change.table, " Drop ", change.name});
}

namespace {

struct Render {
    std::string operator()(const UseDatabase& c) const { return useStatement(c); }
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
};

} // namespace

std::string statementText(const Change& change) {
    return std::visit(Render{}, change.record);
}

} // namespace dbc
