#pragma once

#include <string>
#include <string_view>

namespace testserver {

// Names in the catalog compare as SQL Server compares sysname values under a
// case-insensitive collation: letter case does not count for any letter
// ("PRÉNOM" equals "prénom", "ИМЯ" equals "имя": Unicode simple case folding
// by ICU) and trailing blanks do not count ("Emp " equals "emp"). The folded
// names compare as unsigned bytes (Chinese names in UTF-8 included); for
// ASCII names the order agrees with SQLite's built-in NOCASE.
int compareNames(std::string_view a, std::string_view b) noexcept;

inline bool namesEqual(std::string_view a, std::string_view b) noexcept {
    return compareNames(a, b) == 0;
}

// The name without trailing blanks.
std::string_view withoutTrailingBlanks(std::string_view name) noexcept;

// ASCII letters turned to lower case, other bytes unchanged.
std::string asciiLower(std::string_view text);

} // namespace testserver
