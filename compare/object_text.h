#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace dbc {

// An object's text as a sequence of rows, as sp_helptext returns it and the
// snapshot stores it, line ends included where a row has them.
using TextRows = std::vector<std::string_view>;

// The rows concatenated as they are, nothing between them, nothing trimmed:
// the statement that re-creates the object.
std::string joinedText(const TextRows& rows);

// The form in which two texts are compared: every row trimmed of bytes of
// value 32 or below at both ends, the rows concatenated, then the ASCII
// capitals lowered. Texts differing only in letter case or in white space at
// row edges have the same form; one blank more inside a row does not.
std::string comparisonForm(const TextRows& rows);

} // namespace dbc
