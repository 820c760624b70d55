#pragma once

#include <string>
#include <string_view>

namespace dbc {

// True when `name` may stand bare in a Transact-SQL statement: it starts with
// a letter or "_", goes on with letters, ASCII digits, "_", "@", "#" or "$",
// and is not a reserved keyword. A letter is A-Z, a-z or any character above
// U+007F that is not a blank, so Chinese names stay bare. `name` is UTF-8; a
// name that is not valid UTF-8 is never regular.
bool isRegularIdentifier(std::string_view name);

// True when `word` is one of Transact-SQL's reserved keywords, letter case
// ignored.
bool isReservedKeyword(std::string_view word);

// `name` as it stands in a statement: bare when it is a regular identifier,
// otherwise "[" + the name with every "]" doubled + "]". Every catalog name a
// script writes goes through here, so no name can end a statement early. An
// object of a schema other than dbo (object_name.h) is written with its
// schema, both parts bracketed: "[sales].[Orders]".
std::string sqlName(std::string_view name);

// The text between a pair of brackets that a statement form writes itself
// ("[dbo].[" + name + "]"): the name with every "]" doubled; for an object of
// a schema other than dbo, "<schema>].[<name>", so the form's own pair of
// brackets encloses the two-part name.
std::string bracketedNameBody(std::string_view name);

} // namespace dbc
