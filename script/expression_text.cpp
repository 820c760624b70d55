#include "script/expression_text.h"

#include "data/sql_text.h"

namespace dbc {

namespace {

bool isNameStart(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == '@' || c == '#' ||
           static_cast<unsigned char>(c) >= 0x80;
}

bool isNamePart(char c) {
    return isNameStart(c) || (c >= '0' && c <= '9') || c == '$';
}

} // namespace

std::vector<std::string> namesInExpression(std::string_view text) {
    std::vector<std::string> names;
    for (std::size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (c == '\'') {
            const std::size_t end = text.find('\'', i + 1);
            i = end == std::string_view::npos ? text.size() : end + 1;
        } else if (c == '[') {
            std::string name;
            std::size_t j = i + 1;
            for (; j < text.size(); ++j) {
                if (text[j] == ']' && j + 1 < text.size() && text[j + 1] == ']') {
                    name += ']';
                    ++j;
                } else if (text[j] == ']') {
                    break;
                } else {
                    name += text[j];
                }
            }
            names.push_back(std::move(name));
            i = j + 1;
        } else if (isNameStart(c)) {
            std::size_t j = i;
            while (j < text.size() && isNamePart(text[j]))
                ++j;
            names.emplace_back(text.substr(i, j - i));
            i = j;
        } else {
            ++i;
        }
    }
    return names;
}

bool whollyParenthesized(std::string_view text) {
    if (text.size() < 2 || text.front() != '(' || text.back() != ')')
        return false;
    int depth = 0;
    char quote = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quote) {
            if (c == quote)
                quote = 0;
        } else if (c == '\'' || c == '"') {
            quote = c;
        } else if (c == '[') {
            quote = ']';
        } else if (c == '(') {
            ++depth;
        } else if (c == ')' && --depth == 0 && i + 1 != text.size()) {
            return false;
        }
    }
    return depth == 0;
}

std::string bareExpression(std::string_view definition) {
    std::string_view text = trimControl(definition);
    while (whollyParenthesized(text))
        text = trimControl(text.substr(1, text.size() - 2));
    std::string bare;
    bare.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        bare += text[i];
    }
    return bare;
}

} // namespace dbc
