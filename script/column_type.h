#pragma once

#include <string>
#include <string_view>

namespace dbc {

// How a column's type name decides what the definition writes after it.
enum class TypeKind {
    Plain,        // a built-in type: the length piece follows TypeStat
    ExactNumeric, // decimal or numeric: "(precision,scale)" right after the name
    Alias,        // a user-defined (sp_addtype) type: it carries its own size
};

// True when `typeName` is one of the type names SQL Server 2000 itself defines
// in systypes (bigint ... varchar, sysname included), letter case ignored.
bool isBuiltInTypeName(std::string_view typeName);

// Plain, ExactNumeric or Alias for `typeName`; any name that is not built in
// is an alias type.
TypeKind typeKindOf(std::string_view typeName);

// True for the built-in types declared with a length: char, varchar, nchar,
// nvarchar, binary, varbinary (letter case ignored).
bool typeTakesLength(std::string_view typeName);

// "(" + precision + "," + scale + ")", written directly after decimal/numeric.
std::string exactNumericPiece(std::string_view precision, std::string_view scale);

// " IDENTITY (" + seed + ", " + increment + ") ", or " IDENTITY (1, 1) " when
// either is empty (a snapshot written before seeds were kept).
std::string identityPiece(std::string_view seed, std::string_view increment);

} // namespace dbc
