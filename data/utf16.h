#pragma once

#include <string>
#include <string_view>

namespace dbc {

// UTF-8 text as UTF-16 code units (ODBC's SQLWCHAR under unixODBC). A byte
// sequence that is not UTF-8 becomes U+FFFD, one per byte.
std::u16string utf8ToUtf16(std::string_view text);

} // namespace dbc
