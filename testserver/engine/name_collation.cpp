#include "testserver/engine/name_collation.h"

#include "data/unicode_case.h"

#include <algorithm>

namespace testserver {

namespace {

unsigned char foldAscii(unsigned char c) noexcept {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

bool isAscii(std::string_view text) noexcept {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

int compareFoldedAscii(std::string_view a, std::string_view b) noexcept {
    auto folded = [](char c) { return foldAscii(static_cast<unsigned char>(c)); };
    auto [inA, inB] = std::mismatch(a.begin(), a.end(), b.begin(), b.end(),
                                    [&](char x, char y) { return folded(x) == folded(y); });
    if (inA == a.end())
        return inB == b.end() ? 0 : -1;
    if (inB == b.end())
        return 1;
    return folded(*inA) < folded(*inB) ? -1 : 1;
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
    if (isAscii(a) && isAscii(b))
        return compareFoldedAscii(a, b);
    // Folded bytes compare as unsigned chars, ASCII letters lowered alike.
    const std::string x = dbc::caseFoldedUtf8(a);
    const std::string y = dbc::caseFoldedUtf8(b);
    const int order = std::string_view(x).compare(std::string_view(y));
    return (order > 0) - (order < 0);
}

std::string asciiLower(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(foldAscii(static_cast<unsigned char>(c)));
    return out;
}

} // namespace testserver
