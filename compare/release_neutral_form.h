#pragma once

#include <string>
#include <string_view>

namespace dbc {

// A default, CHECK, computed column or index filter definition in a form
// that SQL Server 2000's text (kept as written) and 2005 and later's (kept in
// a form of their own) share: the words and symbols of the expression one
// blank apart, names without their brackets, names, keywords and function
// names in small letters, constants out of the parentheses 2005 puts around
// them ("(0)" and "((0))" both read "0"), and without the parentheses that
// wrap the whole. "(UnitsInStock >= 0)" and "([UnitsInStock]>=(0))" both
// read "unitsinstock >= 0". A column BETWEEN two constants reads as the two
// comparisons, and a column IN a list of constants as its comparisons joined
// by OR from the end of the list, as later releases restate them, and
// CURRENT_TIMESTAMP as getdate(). String
// literals stay exactly as they are; a
// text that does not scan (an unclosed literal or name) stays as it is,
// blanks and control bytes at its ends aside.
std::string releaseNeutralForm(std::string_view definition);

} // namespace dbc
