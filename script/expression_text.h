#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace dbc {

// True when the text's first "(" closes at its last character (parentheses
// in string literals and bracketed names aside): "(a) + (b)" is not.
bool whollyParenthesized(std::string_view text);

// A computed column's definition as the compare weighs it and the script
// writes it: without control bytes and blanks at its ends, every CR LF as LF,
// and without the pairs of parentheses that enclose all of it. SQL Server
// keeps `AS a * 2` and `AS (a * 2)` with a pair of its own around them, so
// only the text inside says what the column computes.
std::string bareExpression(std::string_view definition);

// The names an expression mentions: bracketed ones (with "]]" read as "]")
// and bare words, outside string literals. Keywords and function names come
// along; a caller matches the names it knows.
std::vector<std::string> namesInExpression(std::string_view text);

} // namespace dbc
