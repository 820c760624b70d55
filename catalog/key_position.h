#pragma once

#include <charconv>
#include <string>

namespace dbc {

// A key position (sysindexkeys.keyno, sysforeignkeys.keyno) as a number, so
// that 10 follows 9; a text that is not a number counts as 0.
inline long long keyPosition(const std::string& text) {
    long long position = 0;
    std::from_chars(text.data(), text.data() + text.size(), position);
    return position;
}

} // namespace dbc
