#include "catalog/constraint_names.h"

#include <array>

namespace dbc {

namespace {

bool isHexDigit(char c) noexcept {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

} // namespace

bool isSystemNamed(std::string_view name) noexcept {
    static constexpr std::array<std::string_view, 5> kinds{"PK__", "UQ__", "FK__", "CK__", "DF__"};
    constexpr std::size_t digits = 8;
    bool kindFound = false;
    for (std::string_view kind : kinds)
        kindFound = kindFound || name.starts_with(kind);
    // The kind, at least one character of the table's name, "__", the digits.
    if (!kindFound || name.size() < 4 + 1 + 2 + digits)
        return false;
    const std::string_view tail = name.substr(name.size() - digits - 2);
    if (!tail.starts_with("__"))
        return false;
    for (char c : tail.substr(2)) {
        if (!isHexDigit(c))
            return false;
    }
    return true;
}

} // namespace dbc
