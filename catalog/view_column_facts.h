#pragma once

#include <string>
#include <string_view>

namespace dbc {

// How a column read from SQL Server 2005's sys.columns is put into the model
// in the values SQL Server 2000's syscolumns gives, so that a column reads
// the same from either release and a snapshot of one compares with a target
// of the other.
struct ViewColumnType {
    std::string_view type;      // sys.types name of the column's user_type_id
    std::string_view baseType;  // sys.types name of its system_type_id (empty: none)
    bool userDefined = false;   // an alias type
    std::string_view maxLength; // sys.columns.max_length: bytes, -1 for max
    std::string_view precision; // sys.columns.precision
    std::string_view scale;     // sys.columns.scale
};

// The type name the model keeps: the alias's own name, else the base type
// (sysname reads as nvarchar, as the 2000 reading gives it).
std::string modelTypeName(const ViewColumnType& column);

// syscolumns.prec: characters for nchar/nvarchar (max_length / 2), bytes for
// char, varchar, binary and varbinary, -1 for (max) and xml, nothing for
// text, ntext and image, the precision of every other type.
std::string modelLength(const ViewColumnType& column);

// syscolumns.scale: the scale of the exact numeric, integer, money, bit and
// date and time types, nothing for the others.
std::string modelScale(const ViewColumnType& column);

// syscolumns.typestat: "2" for the types declared with a length.
std::string modelTypeStat(const ViewColumnType& column);

} // namespace dbc
