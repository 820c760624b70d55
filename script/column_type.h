#pragma once

#include <string>
#include <string_view>

namespace dbc {

// How a column's type name decides what the definition writes after it.
enum class TypeKind {
    Plain,             // a built-in type: the length piece follows TypeStat
    ExactNumeric,      // decimal or numeric: "(precision,scale)" right after the name
    FractionalSeconds, // time, datetime2, datetimeoffset: "(scale)" right after the name
    Alias,             // a user-defined (sp_addtype) type: it carries its own size
};

// True when `typeName` is one of the type names SQL Server itself defines
// (SQL Server 2000's bigint ... varchar, sysname included, and the later
// xml, date, time, datetime2, datetimeoffset, hierarchyid, geometry and
// geography), letter case ignored.
bool isBuiltInTypeName(std::string_view typeName);

// True for the types SQL Server 2000 does not have: a column of one cannot
// be made on a 2000 target.
bool isLaterTypeName(std::string_view typeName);

// The major version of the first SQL Server release with the built-in type
// (9 for xml, 10 for date, time, datetime2, datetimeoffset, hierarchyid,
// geometry and geography), 8 for every other name.
int firstMajorVersionOf(std::string_view typeName);

// The length as a statement writes it: "max" for the model's -1.
std::string lengthText(std::string_view length);

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
