#include "testserver/engine/utf8_text.h"

namespace testserver {

namespace {

// Bytes of the UTF-8 sequence starting with `lead` (1 for stray bytes).
std::size_t sequenceLength(unsigned char lead) {
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    if (lead >= 0xE0)
        return lead <= 0xEF ? 3 : 1;
    if (lead >= 0xC2)
        return 2;
    return 1;
}

} // namespace

std::size_t utf16Length(std::string_view text) {
    std::size_t units = 0;
    for (std::size_t i = 0; i < text.size();) {
        std::size_t length = sequenceLength(static_cast<unsigned char>(text[i]));
        units += length == 4 ? 2 : 1;
        i += length;
    }
    return units;
}

std::vector<std::string> splitByUtf16Units(std::string_view text, std::size_t units) {
    std::vector<std::string> pieces;
    std::string current;
    std::size_t currentUnits = 0;
    for (std::size_t i = 0; i < text.size();) {
        std::size_t length = sequenceLength(static_cast<unsigned char>(text[i]));
        if (i + length > text.size())
            length = text.size() - i;
        std::size_t characterUnits = length == 4 ? 2 : 1;
        if (currentUnits + characterUnits > units && !current.empty()) {
            pieces.push_back(std::move(current));
            current.clear();
            currentUnits = 0;
        }
        current.append(text.substr(i, length));
        currentUnits += characterUnits;
        i += length;
    }
    if (!current.empty())
        pieces.push_back(std::move(current));
    return pieces;
}

} // namespace testserver
