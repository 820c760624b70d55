#pragma once

#include <string>
#include <string_view>

namespace dbc {

// `text` (UTF-8) with every code point by ICU's simple case folding, one code
// point for one, so no name grows into another ("ß" stays "ß"); without
// accents (é as e) when `withoutAccents`. A byte that does not start a valid
// UTF-8 sequence is kept as it is. This is how a case-insensitive SQL Server
// collation sees identifiers beyond A to Z.
std::string caseFoldedUtf8(std::string_view text, bool withoutAccents = false);

} // namespace dbc
