#include "testserver/engine/lexer.h"

#include "testserver/engine/name_collation.h"
#include "testserver/engine/server_error.h"

#include <cctype>

namespace testserver {

bool Token::is(std::string_view keyword) const noexcept {
    return kind == TokenKind::Word && text.size() == keyword.size() &&
           asciiLower(text) == asciiLower(keyword);
}

namespace {

bool isWordStart(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '@' || c == '#' ||
           c >= 0x80;
}

bool isWordPart(unsigned char c) {
    return isWordStart(c) || (c >= '0' && c <= '9') || c == '$';
}

bool isDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}

class Lexer {
public:
    explicit Lexer(std::string_view sql) : m_sql(sql) {}

    std::vector<Token> run() {
        std::vector<Token> tokens;
        while (skipSpaceAndComments())
            tokens.push_back(next());
        return tokens;
    }

private:
    char at(std::size_t i) const { return i < m_sql.size() ? m_sql[i] : '\0'; }

    void advance(std::size_t count) {
        for (std::size_t i = 0; i < count && m_pos < m_sql.size(); ++i, ++m_pos)
            if (m_sql[m_pos] == '\n')
                ++m_line;
    }

    // False at the end of the text.
    bool skipSpaceAndComments() {
        for (;;) {
            if (m_pos >= m_sql.size())
                return false;
            unsigned char c = static_cast<unsigned char>(m_sql[m_pos]);
            if (c <= ' ') {
                advance(1);
            } else if (c == '-' && at(m_pos + 1) == '-') {
                while (m_pos < m_sql.size() && m_sql[m_pos] != '\n')
                    advance(1);
            } else if (c == '/' && at(m_pos + 1) == '*') {
                skipBlockComment();
            } else {
                return true;
            }
        }
    }

    void skipBlockComment() {
        int depth = 0;
        do {
            if (m_pos >= m_sql.size())
                throw ServerError(messages::make(113, 15, "Missing end comment mark '*/'."), true);
            if (m_sql[m_pos] == '/' && at(m_pos + 1) == '*') {
                ++depth;
                advance(2);
            } else if (m_sql[m_pos] == '*' && at(m_pos + 1) == '/') {
                --depth;
                advance(2);
            } else {
                advance(1);
            }
        } while (depth > 0);
    }

    Token next() {
        Token token;
        token.offset = m_pos;
        token.line = m_line;
        unsigned char c = static_cast<unsigned char>(m_sql[m_pos]);
        if ((c == 'N' || c == 'n') && at(m_pos + 1) == '\'') {
            token.kind = TokenKind::UnicodeString;
            advance(1);
            token.value = quoted('\'');
        } else if (c == '\'') {
            token.kind = TokenKind::String;
            token.value = quoted('\'');
        } else if (c == '[') {
            token.kind = TokenKind::QuotedName;
            token.value = quoted(']');
        } else if (c == '"') {
            token.kind = TokenKind::QuotedName;
            token.value = quoted('"');
        } else if (isDigit(c) || (c == '.' && isDigit(static_cast<unsigned char>(at(m_pos + 1))))) {
            token.kind = TokenKind::Number;
            number();
        } else if (isWordStart(c)) {
            token.kind = TokenKind::Word;
            while (m_pos < m_sql.size() && isWordPart(static_cast<unsigned char>(m_sql[m_pos])))
                advance(1);
        } else {
            token.kind = TokenKind::Symbol;
            advance(symbolLength());
        }
        token.text = std::string(m_sql.substr(token.offset, m_pos - token.offset));
        if (token.kind == TokenKind::Word || token.kind == TokenKind::Number ||
            token.kind == TokenKind::Symbol)
            token.value = token.text;
        return token;
    }

    // Reads a quoted token starting at m_pos (the opening quote); a doubled
    // closing quote stands for one.
    std::string quoted(char close) {
        std::size_t start = m_pos;
        advance(1);
        std::string value;
        for (;;) {
            if (m_pos >= m_sql.size())
                throw ServerError(
                    messages::make(105, 15,
                                   "Unclosed quotation mark before the character string '" +
                                       std::string(m_sql.substr(start + 1)) + "'."),
                    true);
            char c = m_sql[m_pos];
            if (c == close) {
                if (at(m_pos + 1) == close) {
                    value.push_back(close);
                    advance(2);
                    continue;
                }
                advance(1);
                return value;
            }
            value.push_back(c);
            advance(1);
        }
    }

    void number() {
        if (m_sql[m_pos] == '0' && (at(m_pos + 1) == 'x' || at(m_pos + 1) == 'X')) {
            advance(2);
            while (std::isxdigit(static_cast<unsigned char>(at(m_pos))))
                advance(1);
            return;
        }
        while (isDigit(static_cast<unsigned char>(at(m_pos))) || at(m_pos) == '.')
            advance(1);
        if ((at(m_pos) == 'e' || at(m_pos) == 'E') &&
            (isDigit(static_cast<unsigned char>(at(m_pos + 1))) ||
             ((at(m_pos + 1) == '+' || at(m_pos + 1) == '-') &&
              isDigit(static_cast<unsigned char>(at(m_pos + 2)))))) {
            advance(2);
            while (isDigit(static_cast<unsigned char>(at(m_pos))))
                advance(1);
        }
    }

    std::size_t symbolLength() const {
        static constexpr std::string_view twoChar[] = {"<=", ">=", "<>", "!=", "!<", "!>", "||"};
        std::string_view rest = m_sql.substr(m_pos);
        for (std::string_view symbol : twoChar)
            if (rest.substr(0, 2) == symbol)
                return 2;
        return 1;
    }

    std::string_view m_sql;
    std::size_t m_pos = 0;
    int m_line = 1;
};

} // namespace

std::vector<Token> tokenize(std::string_view sql) {
    return Lexer(sql).run();
}

} // namespace testserver
