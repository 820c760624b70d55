#include "column_definition.h"

#include "column_type.h"
#include "sql_names.h"
#include "sql_text.h"

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

// decimal/numeric with a scale write "(p,s)" after the type; an alias type
// carries its own size and takes none.
bool takesLengthPiece(const ColumnRow& row) {
    switch (typeKindOf(row.fieldType)) {
    case TypeKind::Alias:
        return false;
    case TypeKind::ExactNumeric:
        return row.fieldScale.empty();
    case TypeKind::Plain:
        break;
    }
    return true;
}

// The type as an Add or Alter writes it: the name, then its arguments.
std::string typeText(const ColumnRow& row) {
    return sqlName(row.fieldType) + typeArguments(row);
}

} // namespace

std::string typeArguments(const ColumnRow& row) {
    if (typeKindOf(row.fieldType) == TypeKind::ExactNumeric && !row.fieldScale.empty())
        return exactNumericPiece(row.fieldLength, row.fieldScale);
    return {};
}

std::string columnAttributeSuffix(const ColumnRow& row) {
    std::string suffix;
    if (row.colStat == "1")
        suffix += identityPiece(row.identSeed, row.identIncr);
    if (row.typeStat == "2" && takesLengthPiece(row))
        suffix += concat({"(", row.fieldLength, ") "});
    if (!row.collation.empty())
        suffix += concat({" COLLATE ", row.collation});
    suffix += row.isNullable == "0" ? " Not NULL" : " NULL";
    return suffix;
}

std::string createTableStatement(std::string_view table, const std::vector<ColumnRow>& columns) {
    std::string text = concat({"Create Table [dbo].[", bracketedNameBody(table), "] ("});
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (i > 0)
            text += ',';
        const ColumnRow& column = columns[i];
        text += concat({"[", bracketedNameBody(column.fieldName), "] [",
                        bracketedNameBody(column.fieldType), "]", typeArguments(column)});
        text += columnAttributeSuffix(column);
    }
    text += ") ON [PRIMARY]";
    return text;
}

std::string addColumnStatement(const ColumnRow& snapshot, const CarriedDefault* carried) {
    std::string text =
        concat({"Alter Table ", sqlName(snapshot.tableName), " Add ", sqlName(snapshot.fieldName),
                " ", typeText(snapshot), columnAttributeSuffix(snapshot)});
    if (carried != nullptr)
        text += concat(
            {" CONSTRAINT ", sqlName(carried->name), " DEFAULT ", trimControl(carried->value)});
    return text;
}

std::string alterColumnStatement(const ColumnRow& snapshot) {
    return concat({"Alter Table ", sqlName(snapshot.tableName), " Alter COLUMN ",
                   sqlName(snapshot.fieldName), " ", typeText(snapshot),
                   columnAttributeSuffix(snapshot)});
}

std::string dropColumnStatement(std::string_view snapshotTable, std::string_view targetColumn) {
    return concat(
        {"Alter Table ", sqlName(snapshotTable), " Drop Column ", sqlName(targetColumn), " "});
}

std::string trailingDropColumnStatement(const ColumnRow& target) {
    return concat({"Alter Table ", sqlName(target.tableName), " Drop  Column ",
                   sqlName(target.fieldName), " "});
}

} // namespace dbc
