#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace testserver {

// How a built-in type takes its declaration arguments.
enum class TypeArguments {
    None,           // int, datetime, text, ...
    Length,         // char(n), varchar(n), nchar(n), nvarchar(n), binary(n), varbinary(n)
    PrecisionScale, // decimal(p, s), numeric(p, s)
    FloatPrecision, // float(n)
};

// A built-in SQL Server 2000 type as systypes lists it.
struct BuiltinType {
    std::string_view name;
    int xtype = 0;
    int length = 0; // storage length in systypes
    int xprec = 0;
    int xscale = 0;
    TypeArguments arguments = TypeArguments::None;
    bool character = false; // carries a collation
    bool unicode = false;   // two bytes per character
    bool identityAllowed = false;
    int xusertype = 0;
};

// Every built-in type, sysname included.
std::span<const BuiltinType> builtinTypes();

// The built-in type of that name (any letter case), or nullptr.
const BuiltinType* findBuiltinType(std::string_view name);

// A column's type as a statement declares it, before catalog values are derived.
struct DeclaredType {
    std::string name;          // as written, e.g. "varchar"
    std::optional<int> first;  // length or precision; -1 stands for "max" (2005 and later)
    std::optional<int> second; // scale
};

// What syscolumns holds for one column of a type, as SQL Server 2000 reports it.
struct ColumnTypeValues {
    int xtype = 0;
    int xusertype = 0;
    int length = 0;
    std::optional<int> prec;
    std::optional<int> scale;
    int xprec = 0;
    int xscale = 0;
    int typestat = 0;
    bool character = false;
    bool identityAllowed = false;
};

// A built-in type of a release after SQL Server 2000 (xml from 2005; date,
// time, datetime2 and datetimeoffset from 2008): the year it came with, and
// the catalog values its declaration gives.
struct LaterBuiltinType {
    std::string_view name;
    int sinceYear;
    int xtype;
    bool fractionalSeconds; // takes a scale of 0 to 7, 7 when none is given
    // The CLR types (hierarchyid, geometry, geography) share xtype 240 and
    // are told apart by their own xusertype; 0: the same as xtype.
    int xusertype = 0;
    // Their stored length: 892 for hierarchyid, -1 (a large value) for the
    // spatial types.
    int clrLength = 0;
};

// The later built-in type of that name (any letter case), or nullptr.
const LaterBuiltinType* findLaterBuiltinType(std::string_view name);

// Derives the catalog values of a declared type, as the release of
// `serverYear` does. Throws ServerError for an unknown type (2715, also for
// a type of a later release), "max" before 2005 (102) or arguments the type
// does not take or allow.
ColumnTypeValues columnTypeValues(const DeclaredType& type, std::string_view columnName,
                                  int columnNumber, int serverYear = 2000);

} // namespace testserver
