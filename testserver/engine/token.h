#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace testserver {

enum class TokenKind {
    Word,          // keyword or plain identifier, also @var and @@var, #temp
    QuotedName,    // [bracketed] or "double-quoted" identifier
    String,        // 'text'
    UnicodeString, // N'text'
    Number,        // 12, 1.5, 0x1F
    Symbol,        // punctuation and operators
};

struct Token {
    TokenKind kind = TokenKind::Symbol;
    std::string text;  // the source text of the token
    std::string value; // identifiers and strings without quotes and escapes
    std::size_t offset = 0;
    int line = 1;

    bool isWord() const noexcept { return kind == TokenKind::Word; }
    bool isName() const noexcept {
        return kind == TokenKind::Word || kind == TokenKind::QuotedName;
    }
    bool isString() const noexcept {
        return kind == TokenKind::String || kind == TokenKind::UnicodeString;
    }
    // A word equal to `keyword` ignoring ASCII case.
    bool is(std::string_view keyword) const noexcept;
    bool isSymbol(std::string_view symbol) const noexcept {
        return kind == TokenKind::Symbol && text == symbol;
    }
    std::size_t end() const noexcept { return offset + text.size(); }
};

} // namespace testserver
