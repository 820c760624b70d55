#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace testserver::tds {

// TDS 7 carries all text as UTF-16LE; the engine works in UTF-8. The
// conversion itself is the product's (data/utf16.h); these functions lay its
// code units out as little-endian bytes. Invalid input (a lone surrogate, a
// bad UTF-8 sequence, an odd trailing byte) becomes U+FFFD rather than an
// exception: the text comes from the network or from catalog files and must
// never stop a connection.

std::string utf16leToUtf8(std::string_view utf16le);
std::string utf8ToUtf16le(std::string_view utf8);

// Cuts UTF-16LE text to at most `maxUnits` code units without splitting a
// surrogate pair.
std::string truncateUtf16le(std::string utf16le, std::size_t maxUnits);

} // namespace testserver::tds
