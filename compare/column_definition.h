#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace dbc {

// One column row of either side, as text. The views point into the fetched
// result, which outlives the row.
struct ColumnRow {
    std::string_view tableName;
    std::string_view fieldName;
    std::string_view fieldType;
    std::string_view fieldLength;
    std::string_view isNullable;
    std::string_view collation;
    std::string_view typeStat;
    std::string_view colStat;
};

// What follows a column's name and type in every definition written: the
// identity clause when colStat is "1", "(" + length + ") " when TypeStat is
// "2", the collation when there is one, and the nullability.
std::string columnAttributeSuffix(const ColumnRow& row);

// "Create Table [dbo].[t] (...) ON [PRIMARY]" with one bracketed definition
// per column, in the order given, joined by ",".
std::string createTableStatement(std::string_view table, const std::vector<ColumnRow>& columns);

// "Alter Table <table> Add <column> <type><suffix>" from a snapshot row.
std::string addColumnStatement(const ColumnRow& snapshot);

// "Alter Table <table> Alter COLUMN <column> <type><suffix>" from a snapshot row.
std::string alterColumnStatement(const ColumnRow& snapshot);

// "Alter Table <snapshot table> Drop Column <target column> ": a target column
// that sorts before or between the snapshot's columns.
std::string dropColumnStatement(std::string_view snapshotTable, std::string_view targetColumn);

// "Alter Table <target table> Drop  Column <target column> " (two blanks): a
// target column left over after the snapshot's last column.
std::string trailingDropColumnStatement(const ColumnRow& target);

} // namespace dbc
