#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace dbc {

// One column row of either side, as text. The views point into the fetched
// result, which outlives the row. fieldScale, identSeed and identIncr are
// empty where the side does not carry them (a snapshot written before they
// were kept, a column without a scale, a column that is no identity).
struct ColumnRow {
    std::string_view tableName;
    std::string_view fieldName;
    std::string_view fieldType;
    std::string_view fieldLength;
    std::string_view isNullable;
    std::string_view collation;
    std::string_view typeStat;
    std::string_view colStat;
    std::string_view fieldScale;
    std::string_view identSeed;
    std::string_view identIncr;
};

// A default constraint that an Add statement carries: name and expression.
struct CarriedDefault {
    std::string_view name;
    std::string_view value;
};

// What directly follows a column's type name: "(precision,scale)" for decimal
// and numeric when the row carries a scale, nothing otherwise.
std::string typeArguments(const ColumnRow& row);

// What follows the type and its arguments in every definition written: the
// identity clause (with the row's seed and increment where it has them) when
// colStat is "1", "(" + length + ") " when TypeStat is "2" and the type is a
// built-in one without arguments of its own, the collation when there is
// one, and the nullability.
std::string columnAttributeSuffix(const ColumnRow& row);

// "Create Table [dbo].[t] (...) ON [PRIMARY]" with one bracketed definition
// per column, in the order given, joined by ",".
std::string createTableStatement(std::string_view table, const std::vector<ColumnRow>& columns);

// "Alter Table <table> Add <column> <type><suffix>" from a snapshot row, with
// " CONSTRAINT <name> DEFAULT <value>" when it carries its default.
std::string addColumnStatement(const ColumnRow& snapshot, const CarriedDefault* carried = nullptr);

// "Alter Table <table> Alter COLUMN <column> <type><suffix>" from a snapshot row.
std::string alterColumnStatement(const ColumnRow& snapshot);

// "Alter Table <snapshot table> Drop Column <target column> ": a target column
// that sorts before or between the snapshot's columns.
std::string dropColumnStatement(std::string_view snapshotTable, std::string_view targetColumn);

// "Alter Table <target table> Drop  Column <target column> " (two blanks): a
// target column left over after the snapshot's last column.
std::string trailingDropColumnStatement(const ColumnRow& target);

} // namespace dbc
