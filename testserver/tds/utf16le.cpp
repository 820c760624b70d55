#include "testserver/tds/utf16le.h"

#include "data/utf16.h"

namespace testserver::tds {

namespace {

char16_t unitAt(std::string_view bytes, std::size_t index) {
    return static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * index]) |
                                 (static_cast<unsigned char>(bytes[2 * index + 1]) << 8));
}

bool isHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

} // namespace

std::string utf16leToUtf8(std::string_view utf16le) {
    std::u16string units(utf16le.size() / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i)
        units[i] = unitAt(utf16le, i);
    if (utf16le.size() % 2 != 0)
        units += u'\uFFFD';
    return dbc::utf16ToUtf8(units);
}

std::string utf8ToUtf16le(std::string_view utf8) {
    std::u16string units = dbc::utf8ToUtf16(utf8);
    std::string bytes;
    bytes.reserve(units.size() * 2);
    for (char16_t unit : units) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
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
