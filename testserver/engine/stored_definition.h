#pragma once

#include <string>

namespace testserver {

// A default, CHECK, computed column or index filter definition as SQL Server
// 2005 and later keep it, from the text as SQL Server 2000 keeps it (the
// expression in one pair of parentheses): names bracketed, numeric constants
// in parentheses of their own, no blanks but one around each keyword,
// keywords in capitals but `like`, built-in function names in small letters.
// "(UnitsInStock >= 0)" becomes "([UnitsInStock]>=(0))", "(0)" "((0))",
// "(GETDATE())" "(getdate())". Text the lexer refuses is kept as it is.
std::string releaseStoredDefinition(const std::string& asWritten);

} // namespace testserver
