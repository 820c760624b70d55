#include "testserver/engine/stored_definition.h"

#include "testserver/engine/lexer.h"
#include "testserver/engine/server_error.h"
#include "testserver/engine/sql_type.h"
#include "testserver/engine/token_cursor.h"

#include <cctype>
#include <vector>

namespace testserver {

namespace {

std::string bracketed(const std::string& name) {
    std::string out = "[";
    for (char c : name) {
        out += c;
        if (c == ']')
            out += ']';
    }
    return out + "]";
}

std::string caseOf(const std::string& word, bool upper) {
    std::string out = word;
    for (char& c : out)
        c = static_cast<char>(upper ? std::toupper(static_cast<unsigned char>(c))
                                    : std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// A "+" or "-" that signs the number after it rather than adding or
// subtracting: first in the expression, or after "(", ",", an operator or
// a keyword.
bool signsNumber(const std::vector<Token>& tokens, std::size_t i) {
    if (!(tokens[i].isSymbol("-") || tokens[i].isSymbol("+")) || i + 1 >= tokens.size() ||
        tokens[i + 1].kind != TokenKind::Number)
        return false;
    if (i == 0)
        return true;
    const Token& before = tokens[i - 1];
    if (before.kind == TokenKind::Symbol)
        return !before.isSymbol(")");
    return before.isWord() && isReservedKeyword(before.text);
}

struct Piece {
    std::string text;
    bool keyword = false; // set apart by blanks
    bool operand = false; // a name, constant or string: two in a row take a blank
};

Piece pieceOf(const std::vector<Token>& tokens, std::size_t i) {
    const Token& token = tokens[i];
    const bool call = i + 1 < tokens.size() && tokens[i + 1].isSymbol("(");
    const bool qualified = i > 0 && tokens[i - 1].isSymbol(".");
    switch (token.kind) {
    case TokenKind::Number:
        return {"(" + token.text + ")", false, true};
    case TokenKind::String:
    case TokenKind::UnicodeString:
        return {token.text, false, true};
    case TokenKind::QuotedName:
        return {bracketed(token.value), false, true};
    case TokenKind::Symbol:
        return {token.text, false, false};
    case TokenKind::Word:
        break;
    }
    if (token.text.front() == '@')
        return {token.text, false, true};
    const bool reserved = isReservedKeyword(token.text);
    if (call && !qualified && !findBuiltinType(token.text))
        return {caseOf(token.text, reserved), false, true};
    if (token.is("current_timestamp") && !call)
        return {"getdate()", false, true};
    if (reserved && !qualified)
        return {caseOf(token.text, !token.is("like")), true, false};
    return {bracketed(token.value), false, true};
}

// Whether the constant of `length` tokens at `i` stands alone in a pair of
// parentheses of its own, not those of a call (f(0)): it has them already.
bool alreadyEnclosed(const std::vector<Token>& tokens, std::size_t i, std::size_t length) {
    if (i == 0 || !tokens[i - 1].isSymbol("(") || i + length >= tokens.size() ||
        !tokens[i + length].isSymbol(")"))
        return false;
    if (i < 2)
        return true;
    const Token& before = tokens[i - 2];
    const bool call = before.kind == TokenKind::QuotedName ||
                      (before.isWord() && !isReservedKeyword(before.text));
    return !call;
}

} // namespace

std::string releaseStoredDefinition(const std::string& asWritten) {
    if (asWritten.size() < 2 || asWritten.front() != '(' || asWritten.back() != ')')
        return asWritten;
    std::vector<Token> tokens;
    try {
        tokens = tokenize(std::string_view(asWritten).substr(1, asWritten.size() - 2));
    } catch (const ServerError&) {
        return asWritten;
    }
    std::string out = "(";
    Piece last{"(", false, false};
    // The length, precision and scale of a type (CAST(x AS decimal(9, 2)))
    // are no constants: they stay bare.
    std::size_t typeArgumentsEnd = 0;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        Piece piece;
        if (tokens[i].kind == TokenKind::Number &&
            (i < typeArgumentsEnd || alreadyEnclosed(tokens, i, 1))) {
            piece = {tokens[i].text, false, true};
        } else if (signsNumber(tokens, i)) {
            const std::string number = tokens[i].text + tokens[i + 1].text;
            piece = {alreadyEnclosed(tokens, i, 2) ? number : "(" + number + ")", false, true};
            ++i;
        } else {
            piece = pieceOf(tokens, i);
            if (tokens[i].isWord() && i + 1 < tokens.size() && tokens[i + 1].isSymbol("(") &&
                findBuiltinType(tokens[i].text)) {
                typeArgumentsEnd = i + 1;
                while (typeArgumentsEnd < tokens.size() && !tokens[typeArgumentsEnd].isSymbol(")"))
                    ++typeArgumentsEnd;
            }
        }
        const bool blank = (piece.keyword && last.text != "(") ||
                           (last.keyword && piece.text != ")") || (last.operand && piece.operand);
        if (blank && out.size() > 1)
            out += ' ';
        out += piece.text;
        last = piece;
    }
    return out + ")";
}

} // namespace testserver
