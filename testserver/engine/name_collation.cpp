#include "testserver/engine/name_collation.h"

namespace testserver {

namespace {

unsigned char foldAscii(unsigned char c) noexcept {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

} // namespace

std::string_view withoutTrailingBlanks(std::string_view name) noexcept {
    while (!name.empty() && name.back() == ' ')
        name.remove_suffix(1);
    return name;
}

int compareNames(std::string_view a, std::string_view b) noexcept {
    a = withoutTrailingBlanks(a);
    b = withoutTrailingBlanks(b);
    std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char x = foldAscii(static_cast<unsigned char>(a[i]));
        unsigned char y = foldAscii(static_cast<unsigned char>(b[i]));
        if (x != y)
            return x < y ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

std::string asciiLower(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(foldAscii(static_cast<unsigned char>(c)));
    return out;
}

} // namespace testserver
