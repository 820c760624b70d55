#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace testserver {

// Length of UTF-8 text in UTF-16 code units, the unit of SQL Server's
// nvarchar lengths.
std::size_t utf16Length(std::string_view text);

// Cuts UTF-8 text into pieces of at most `units` UTF-16 code units, never
// inside a character.
std::vector<std::string> splitByUtf16Units(std::string_view text, std::size_t units);

} // namespace testserver
