#include "data/sql_text.h"

namespace dbc {

namespace {

bool isBlankByte(char c) noexcept {
    return static_cast<unsigned char>(c) <= 32;
}

} // namespace

std::string_view trimControl(std::string_view text) noexcept {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && isBlankByte(text[begin]))
        ++begin;
    while (end > begin && isBlankByte(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

std::string nStringLiteral(std::string_view value) {
    std::string literal = "N'";
    literal.reserve(value.size() + 3);
    for (char c : value) {
        literal.push_back(c);
        if (c == '\'')
            literal.push_back('\'');
    }
    literal.push_back('\'');
    return literal;
}

} // namespace dbc
