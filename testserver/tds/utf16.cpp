#include "utf16.h"

#include <cstdint>

namespace testserver::tds {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool isHighSurrogate(char32_t u) {
    return u >= 0xD800 && u <= 0xDBFF;
}
bool isLowSurrogate(char32_t u) {
    return u >= 0xDC00 && u <= 0xDFFF;
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

void appendUnit(std::string& out, char32_t unit) {
    out.push_back(static_cast<char>(unit & 0xFF));
    out.push_back(static_cast<char>((unit >> 8) & 0xFF));
}

void appendUtf16(std::string& out, char32_t c) {
    if (c >= 0x10000) {
        char32_t v = c - 0x10000;
        appendUnit(out, 0xD800 + (v >> 10));
        appendUnit(out, 0xDC00 + (v & 0x3FF));
    } else {
        appendUnit(out, c);
    }
}

// Decodes one code point starting at `pos`, advancing `pos`; malformed or
// overlong sequences and encoded surrogates give U+FFFD and skip one byte.
char32_t decodeUtf8(std::string_view s, std::size_t& pos) {
    auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(s[i]); };
    std::uint8_t lead = byte(pos);
    if (lead < 0x80) {
        ++pos;
        return lead;
    }
    std::size_t length = 0;
    char32_t c = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        c = lead & 0x1F;
        minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        c = lead & 0x0F;
        minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        c = lead & 0x07;
        minimum = 0x10000;
    } else {
        ++pos;
        return kReplacement;
    }
    if (pos + length > s.size()) {
        ++pos;
        return kReplacement;
    }
    for (std::size_t i = 1; i < length; ++i) {
        std::uint8_t b = byte(pos + i);
        if ((b & 0xC0) != 0x80) {
            ++pos;
            return kReplacement;
        }
        c = (c << 6) | (b & 0x3F);
    }
    if (c < minimum || c > 0x10FFFF || isHighSurrogate(c) || isLowSurrogate(c)) {
        ++pos;
        return kReplacement;
    }
    pos += length;
    return c;
}

char32_t unitAt(std::string_view s, std::size_t unitIndex) {
    return static_cast<char32_t>(static_cast<std::uint8_t>(s[2 * unitIndex])) |
           (static_cast<char32_t>(static_cast<std::uint8_t>(s[2 * unitIndex + 1])) << 8);
}

} // namespace

std::string utf16leToUtf8(std::string_view utf16le) {
    std::string out;
    out.reserve(utf16le.size());
    std::size_t units = utf16le.size() / 2;
    for (std::size_t i = 0; i < units; ++i) {
        char32_t u = unitAt(utf16le, i);
        if (isHighSurrogate(u) && i + 1 < units && isLowSurrogate(unitAt(utf16le, i + 1))) {
            char32_t low = unitAt(utf16le, ++i);
            appendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
        } else if (isHighSurrogate(u) || isLowSurrogate(u)) {
            appendUtf8(out, kReplacement);
        } else {
            appendUtf8(out, u);
        }
    }
    if (utf16le.size() % 2 != 0)
        appendUtf8(out, kReplacement);
    return out;
}

std::string utf8ToUtf16le(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size() * 2);
    std::size_t pos = 0;
    while (pos < utf8.size())
        appendUtf16(out, decodeUtf8(utf8, pos));
    return out;
}

std::size_t utf16Length(std::string_view utf8) {
    std::size_t units = 0;
    std::size_t pos = 0;
    while (pos < utf8.size())
        units += decodeUtf8(utf8, pos) >= 0x10000 ? 2 : 1;
    return units;
}

std::string truncateUtf16le(std::string utf16le, std::size_t maxUnits) {
    std::size_t units = utf16le.size() / 2;
    if (units <= maxUnits)
        return utf16le;
    std::size_t keep = maxUnits;
    if (keep > 0 && isHighSurrogate(unitAt(utf16le, keep - 1)))
        --keep;
    utf16le.resize(keep * 2);
    return utf16le;
}

} // namespace testserver::tds
