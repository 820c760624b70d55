#include "data/unicode_case.h"

#include <unicode/uchar.h>
#include <unicode/unorm2.h>
#include <unicode/utf16.h>
#include <unicode/utf8.h>

namespace dbc {

namespace {

void appendUtf8(std::string& out, UChar32 c) {
    uint8_t bytes[U8_MAX_LENGTH];
    int32_t n = 0;
    UBool error = false; // room for every code point: never set
    U8_APPEND(bytes, n, U8_MAX_LENGTH, c, error);
    static_cast<void>(error);
    out.append(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(n));
}

// A folded code point without its accents: its canonical decomposition
// without the combining marks (é is e + U+0301, so e).
void appendWithoutAccents(std::string& out, UChar32 c) {
    UErrorCode status = U_ZERO_ERROR;
    const UNormalizer2* nfd = unorm2_getNFDInstance(&status);
    UChar decomposition[32];
    const int32_t length =
        U_SUCCESS(status) ? unorm2_getDecomposition(nfd, c, decomposition, 32, &status) : -1;
    if (length < 0 || U_FAILURE(status)) {
        if (u_charType(c) != U_NON_SPACING_MARK)
            appendUtf8(out, c);
        return;
    }
    for (int32_t i = 0; i < length;) {
        UChar32 part = 0;
        U16_NEXT(decomposition, i, length, part);
        if (u_charType(part) != U_NON_SPACING_MARK)
            appendUtf8(out, u_foldCase(part, U_FOLD_CASE_DEFAULT));
    }
}

} // namespace

std::string caseFoldedUtf8(std::string_view text, bool withoutAccents) {
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
        const UChar32 f = u_foldCase(c, U_FOLD_CASE_DEFAULT);
        if (withoutAccents)
            appendWithoutAccents(folded, f);
        else
            appendUtf8(folded, f);
    }
    return folded;
}

} // namespace dbc
