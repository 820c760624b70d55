#pragma once

#include <cstddef>
#include <string_view>

namespace dbc::cli {

// The number of single letters to insert, delete or change (letter case
// aside) to turn `a` into `b`: how close a mistyped option name is.
std::size_t editDistance(std::string_view a, std::string_view b);

} // namespace dbc::cli
