#include "testserver/engine/script_splitter.h"

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
