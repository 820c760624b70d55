#pragma once

#include "catalog/catalog_model.h"

#include <optional>
#include <string>

namespace dbc {

// A type name in small letters, as the catalog's names compare.
std::string loweredTypeName(std::string text);

// A length, precision or scale written as plain digits (at most nine), or
// nothing for any other text (max's -1, an empty scale).
std::optional<long> plainNumber(const std::string& text);

// char, varchar, nchar, nvarchar and sysname, in small letters.
bool isCharacterType(const std::string& loweredType);

// Conditions over a column's stored values for an Alter from one type to
// another, each written over the bracketed column name `column`, valid T-SQL
// on SQL Server 2000 and later. Both return an empty text when no value can
// be concerned.

// The rows a large-object column (text, ntext, image) holds that a character
// or binary column of the new length cannot hold: more bytes than that
// length gives (two a character for nvarchar and nchar). A text value going
// to nvarchar and an ntext value going to varchar are counted by bytes as
// well, so a value that might not fit is named rather than passed over.
std::string largeObjectCutCondition(const Column& from, const Column& to,
                                    const std::string& column);

// The rows whose character value the new exact numeric type refuses to take
// (245, 8114; 248 and 8115 when it is beyond the type's range): for an
// integer type, anything but blanks around an optional sign and digits
// (blanks alone, or a sign alone, become 0); for decimal, numeric, money and
// smallmoney, anything but an optional sign, digits and at most one point,
// with at least one digit. No TRY_CAST (SQL Server 2012 on): the text is
// tested by LIKE patterns, and only text that passes them is converted, to
// float, to compare it with the type's bounds.
std::string unconvertibleCondition(const Column& from, const Column& to, const std::string& column);

} // namespace dbc
