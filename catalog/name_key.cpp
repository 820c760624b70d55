#include "catalog/name_key.h"

#include <unicode/uchar.h>
#include <unicode/unorm2.h>
#include <unicode/utf16.h>
#include <unicode/utf8.h>

#include <algorithm>

namespace dbc {

namespace {

thread_local NameCase t_nameCase = NameCase::Ignored;

std::string_view withoutTrailingBlanks(std::string_view name) noexcept {
    while (!name.empty() && name.back() == ' ')
        name.remove_suffix(1);
    return name;
}

bool isAscii(std::string_view text) noexcept {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

char lowerAscii(char c) noexcept {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

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

// Every code point by ICU's simple case folding (one code point for one, so
// no name grows into another: "ß" stays "ß"), without accents when
// `withoutAccents`; a byte that does not start a valid UTF-8 sequence is kept
// as it is.
std::string foldedUtf8(std::string_view text, bool withoutAccents) {
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

int compareBytes(std::string_view a, std::string_view b) noexcept {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const auto x = static_cast<unsigned char>(a[i]);
        const auto y = static_cast<unsigned char>(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

// ASCII names, by far the most, are compared without building their keys.
int compareAsciiFolded(std::string_view a, std::string_view b) noexcept {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const auto x = static_cast<unsigned char>(lowerAscii(a[i]));
        const auto y = static_cast<unsigned char>(lowerAscii(b[i]));
        if (x != y)
            return x < y ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

} // namespace

NameCase nameCaseOfCollation(std::string_view collation) {
    if (collation.empty())
        return NameCase::Ignored;
    std::string upper(collation);
    std::transform(upper.begin(), upper.end(), upper.begin(), [](char c) {
        return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    });
    upper += '_';
    if (upper.find("_CI_") == std::string::npos)
        return NameCase::Exact;
    return upper.find("_AI_") != std::string::npos ? NameCase::IgnoredWithAccents
                                                   : NameCase::Ignored;
}

NameCase currentNameCase() noexcept {
    return t_nameCase;
}

NameCaseScope::NameCaseScope(NameCase rule) noexcept : m_previous(t_nameCase) {
    t_nameCase = rule;
}

NameCaseScope::~NameCaseScope() {
    t_nameCase = m_previous;
}

std::string nameKey(std::string_view name) {
    name = withoutTrailingBlanks(name);
    if (t_nameCase == NameCase::Exact)
        return std::string(name);
    if (!isAscii(name))
        return foldedUtf8(name, t_nameCase == NameCase::IgnoredWithAccents);
    std::string key(name);
    std::transform(key.begin(), key.end(), key.begin(), lowerAscii);
    return key;
}

int compareNameKeys(std::string_view a, std::string_view b) {
    a = withoutTrailingBlanks(a);
    b = withoutTrailingBlanks(b);
    if (t_nameCase == NameCase::Exact)
        return compareBytes(a, b);
    if (isAscii(a) && isAscii(b))
        return compareAsciiFolded(a, b);
    const bool withoutAccents = t_nameCase == NameCase::IgnoredWithAccents;
    return compareBytes(foldedUtf8(a, withoutAccents), foldedUtf8(b, withoutAccents));
}

std::string objectKey(std::string_view name) {
    return nameKey(name);
}

} // namespace dbc
