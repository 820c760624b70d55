#include "data/sql_names.h"

#include "data/object_name.h"
#include "data/reserved_keywords.h"

#include <algorithm>
#include <cstdint>
#include <optional>

namespace dbc {

namespace {

// Reads one UTF-8 character at `at` and moves past it; nothing when the bytes
// there are not a well-formed, shortest-form character of at most U+10FFFF.
std::optional<char32_t> nextCharacter(std::string_view text, std::size_t& at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    std::size_t length = 0;
    char32_t code = 0;
    if (lead < 0x80) {
        length = 1;
        code = lead;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2;
        code = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        code = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        code = lead & 0x07;
    } else {
        return std::nullopt;
    }
    if (at + length > text.size())
        return std::nullopt;
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[at + i]);
        if ((next & 0xC0) != 0x80)
            return std::nullopt;
        code = (code << 6) | (next & 0x3F);
    }
    constexpr char32_t smallestOfLength[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < smallestOfLength[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return std::nullopt;
    at += length;
    return code;
}

// The blanks above U+007F: Unicode's white-space characters in that range.
bool isWideBlank(char32_t c) {
    return c == 0x85 || c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) || c == 0x2028 ||
           c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}

bool isLetter(char32_t c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c > 0x7F && !isWideBlank(c));
}

bool isFollowingCharacter(char32_t c) {
    return isLetter(c) || (c >= '0' && c <= '9') || c == '_' || c == '@' || c == '#' || c == '$';
}

char asciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

} // namespace

bool isReservedKeyword(std::string_view word) {
    std::string upper(word);
    std::transform(upper.begin(), upper.end(), upper.begin(), asciiUpper);
    return std::binary_search(reservedKeywords.begin(), reservedKeywords.end(), upper);
}

bool isRegularIdentifier(std::string_view name) {
    std::size_t at = 0;
    bool first = true;
    while (at < name.size()) {
        const std::optional<char32_t> c = nextCharacter(name, at);
        if (!c || !(first ? isLetter(*c) || *c == '_' : isFollowingCharacter(*c)))
            return false;
        first = false;
    }
    return !first && !isReservedKeyword(name);
}

namespace {

std::string bracketedPart(std::string_view name) {
    std::string body;
    body.reserve(name.size());
    for (char c : name) {
        body += c;
        if (c == ']')
            body += ']';
    }
    return body;
}

} // namespace

std::string bracketedNameBody(std::string_view name) {
    if (!isQualified(name))
        return bracketedPart(name);
    return bracketedPart(schemaOf(name)) + "].[" + bracketedPart(bareName(name));
}

std::string sqlName(std::string_view name) {
    if (!isQualified(name) && isRegularIdentifier(name))
        return std::string(name);
    return "[" + bracketedNameBody(name) + "]";
}

} // namespace dbc
