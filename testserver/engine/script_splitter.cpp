#include "testserver/engine/script_splitter.h"

#include "data/utf16.h"

namespace testserver {

namespace {

bool isGoLine(std::string_view line) {
    while (!line.empty() && static_cast<unsigned char>(line.front()) <= ' ')
        line.remove_prefix(1);
    while (!line.empty() && static_cast<unsigned char>(line.back()) <= ' ')
        line.remove_suffix(1);
    return line.size() == 2 && (line[0] == 'G' || line[0] == 'g') &&
           (line[1] == 'O' || line[1] == 'o');
}

bool isBlank(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) > ' ')
            return false;
    return true;
}

} // namespace

std::string scriptTextAsUtf8(std::string_view bytes) {
    auto startsWith = [&](std::string_view mark) { return bytes.substr(0, mark.size()) == mark; };
    if (startsWith("\xEF\xBB\xBF"))
        return std::string(bytes.substr(3));
    bool little = startsWith("\xFF\xFE");
    if (!little && !startsWith("\xFE\xFF"))
        return std::string(bytes);
    std::u16string units;
    units.reserve(bytes.size() / 2);
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
        auto first = static_cast<unsigned char>(bytes[i]);
        auto second = static_cast<unsigned char>(bytes[i + 1]);
        units += static_cast<char16_t>(little ? first | (second << 8) : (first << 8) | second);
    }
    return dbc::utf16ToUtf8(units);
}

std::vector<std::string> splitScript(std::string_view script) {
    std::vector<std::string> batches;
    std::size_t batchStart = 0;
    std::size_t lineStart = 0;
    auto finish = [&](std::size_t end) {
        std::string_view batch = script.substr(batchStart, end - batchStart);
        if (!isBlank(batch))
            batches.emplace_back(batch);
    };
    while (lineStart <= script.size()) {
        std::size_t newline = script.find('\n', lineStart);
        std::size_t lineEnd = newline == std::string_view::npos ? script.size() : newline;
        if (isGoLine(script.substr(lineStart, lineEnd - lineStart))) {
            finish(lineStart);
            batchStart = newline == std::string_view::npos ? script.size() : newline + 1;
        }
        if (newline == std::string_view::npos)
            break;
        lineStart = newline + 1;
    }
    finish(script.size());
    return batches;
}

} // namespace testserver
