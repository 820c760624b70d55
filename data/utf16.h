#pragma once

#include <string>
#include <string_view>

namespace dbc {

// UTF-8 text as UTF-16 code units (ODBC's SQLWCHAR under unixODBC). A byte
// sequence that is not UTF-8 becomes U+FFFD, one per byte.
std::u16string utf8ToUtf16(std::string_view text);

// UTF-16 code units as UTF-8 text. An unpaired surrogate becomes U+FFFD.
std::string utf16ToUtf8(std::u16string_view text);

} // namespace dbc
