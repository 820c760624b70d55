#include "cli/terminal_text.h"

#include <cstdio>

namespace dbc::cli {

namespace {

std::string escaped(const char* format, unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// The length of the valid UTF-8 sequence at the start of `text` whose first
// byte is at least 0x80, or 0 when it is not one.
std::size_t utf8Length(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned first = byte(0);
    std::size_t length = 0;
    unsigned codePoint = 0;
    if (first >= 0xC2 && first <= 0xDF) {
        length = 2;
        codePoint = first & 0x1F;
    } else if (first >= 0xE0 && first <= 0xEF) {
        length = 3;
        codePoint = first & 0x0F;
    } else if (first >= 0xF0 && first <= 0xF4) {
        length = 4;
        codePoint = first & 0x07;
    } else {
        return 0;
    }
    if (text.size() < length)
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80)
            return 0;
        codePoint = (codePoint << 6) | (byte(i) & 0x3F);
    }
    const bool overlong =
        (length == 3 && codePoint < 0x800) || (length == 4 && codePoint < 0x10000);
    const bool surrogate = codePoint >= 0xD800 && codePoint <= 0xDFFF;
    if (overlong || surrogate || codePoint > 0x10FFFF)
        return 0;
    return length;
}

} // namespace

std::string visibleControls(std::string_view text, bool keepLineBreaks) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        // A CR right before a LF ends a line as the LF does (a script's
        // CR LF); alone it would let the text overwrite its own line.
        const bool lineEnd =
            keepLineBreaks &&
            (c == '\n' || (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n'));
        if (c == '\t' || lineEnd || (c >= 0x20 && c < 0x7F)) {
            out += text[i++];
            continue;
        }
        if (c < 0x80) {
            out += escaped("\\x%02x", c);
            ++i;
            continue;
        }
        const std::size_t length = utf8Length(text.substr(i));
        if (length == 0) {
            out += escaped("\\x%02x", c);
            ++i;
        } else if (length == 2 && c == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0) {
            out += escaped("\\u%04x", static_cast<unsigned char>(text[i + 1]));
            i += 2;
        } else {
            out.append(text.substr(i, length));
            i += length;
        }
    }
    return out;
}

} // namespace dbc::cli
