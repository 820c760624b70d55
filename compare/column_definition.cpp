#include "column_definition.h"

#include <initializer_list>

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

std::string columnAttributeSuffix(const ColumnRow& row) {
    std::string suffix;
    if (row.colStat == "1")
        suffix += " IDENTITY (1, 1) ";
    if (row.typeStat == "2")
        suffix += concat({"(", row.fieldLength, ") "});
    if (!row.collation.empty())
        suffix += concat({" COLLATE ", row.collation});
    suffix += row.isNullable == "0" ? " Not NULL" : " NULL";
    return suffix;
}

std::string createTableStatement(std::string_view table, const std::vector<ColumnRow>& columns) {
    std::string text = concat({"Create Table [dbo].[", table, "] ("});
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (i > 0)
            text += ',';
        const ColumnRow& column = columns[i];
        text += concat({"[", column.fieldName, "] [", column.fieldType, "]"});
        text += columnAttributeSuffix(column);
    }
    text += ") ON [PRIMARY]";
    return text;
}

std::string addColumnStatement(const ColumnRow& snapshot) {
    return concat({"Alter Table ", snapshot.tableName, " Add ", snapshot.fieldName, " ",
                   snapshot.fieldType, columnAttributeSuffix(snapshot)});
}

std::string alterColumnStatement(const ColumnRow& snapshot) {
    return concat({"Alter Table ", snapshot.tableName, " Alter COLUMN ", snapshot.fieldName, " ",
                   snapshot.fieldType, columnAttributeSuffix(snapshot)});
}

std::string dropColumnStatement(std::string_view snapshotTable, std::string_view targetColumn) {
    return concat({"Alter Table ", snapshotTable, " Drop Column ", targetColumn, " "});
}

std::string trailingDropColumnStatement(const ColumnRow& target) {
    return concat({"Alter Table ", target.tableName, " Drop  Column ", target.fieldName, " "});
}

} // namespace dbc
