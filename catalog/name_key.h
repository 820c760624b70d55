#pragma once

#include <string>
#include <string_view>

namespace dbc {

// The key by which a compare matches names across the snapshot and the target:
// the ASCII letters A-Z turned into a-z, every other byte (the bytes of Chinese
// names included) unchanged.
std::string nameKey(std::string_view name);

// Orders two names by their name keys without building them: bytes compared as
// unsigned numbers, a proper prefix first. Negative, zero or positive.
int compareNameKeys(std::string_view a, std::string_view b) noexcept;

inline bool nameKeyLess(std::string_view a, std::string_view b) noexcept {
    return compareNameKeys(a, b) < 0;
}

// The key by which rows are matched to a table or object name: the name key of
// the name without its trailing blanks, since SQL Server does not tell two
// names apart by trailing blanks.
std::string objectKey(std::string_view name);

} // namespace dbc
