#include "testserver/engine/name_collation.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

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

// Each code point by Unicode simple case folding; a byte that does not start
// valid UTF-8 stays as it is.
std::string caseFolded(std::string_view text) {
    std::string folded;
    folded.reserve(text.size());
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const auto length = static_cast<int32_t>(text.size());
    int32_t i = 0;
    while (i < length) {
        const int32_t start = i;
        UChar32 c = 0;
        U8_NEXT(bytes, i, length, c);
        if (c < 0) {
            folded.append(
                text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(i - start)));
            continue;
        }
        uint8_t out[U8_MAX_LENGTH];
        int32_t n = 0;
        UBool error = false; // room for every code point: never set
        U8_APPEND(out, n, U8_MAX_LENGTH, u_foldCase(c, U_FOLD_CASE_DEFAULT), error);
        static_cast<void>(error);
        folded.append(reinterpret_cast<const char*>(out), static_cast<std::size_t>(n));
    }
    return folded;
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
    const std::string x = caseFolded(a);
    const std::string y = caseFolded(b);
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
