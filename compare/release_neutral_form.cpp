#include "compare/release_neutral_form.h"

#include "data/sql_names.h"
#include "data/sql_text.h"

#include <array>
#include <optional>
#include <vector>

namespace dbc {

namespace {

enum class Kind { Word, Name, Number, Literal, Symbol };

struct Token {
    Kind kind;
    std::string text;
};

bool wordStart(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '@' || c == '#' ||
           c >= 0x80;
}

bool wordPart(unsigned char c) {
    return wordStart(c) || (c >= '0' && c <= '9') || c == '$';
}

bool digit(unsigned char c) {
    return c >= '0' && c <= '9';
}

std::string lower(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// The position after the quoted text that starts at `i` (its closing quote
// doubled inside it), or nothing when it is not closed.
std::optional<std::size_t> quotedEnd(std::string_view text, std::size_t i, char close) {
    for (++i; i < text.size(); ++i) {
        if (text[i] != close)
            continue;
        if (i + 1 < text.size() && text[i + 1] == close)
            ++i;
        else
            return i + 1;
    }
    return std::nullopt;
}

std::string unquotedName(std::string_view quoted) {
    const char close = quoted.front() == '[' ? ']' : '"';
    std::string name;
    for (std::size_t i = 1; i + 1 < quoted.size(); ++i) {
        name += quoted[i];
        if (quoted[i] == close)
            ++i;
    }
    return lower(name);
}

std::optional<std::vector<Token>> scan(std::string_view text) {
    std::vector<Token> tokens;
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        const auto next = static_cast<unsigned char>(i + 1 < text.size() ? text[i + 1] : '\0');
        std::size_t end = i + 1;
        if (c <= ' ') {
            ++i;
            continue;
        }
        if (c == '-' && next == '-') {
            while (i < text.size() && text[i] != '\n')
                ++i;
            continue;
        }
        if (c == '/' && next == '*') {
            const std::size_t close = text.find("*/", i + 2);
            if (close == std::string_view::npos)
                return std::nullopt;
            i = close + 2;
            continue;
        }
        if (c == '\'' || ((c == 'N' || c == 'n') && next == '\'')) {
            const auto close = quotedEnd(text, c == '\'' ? i : i + 1, '\'');
            if (!close)
                return std::nullopt;
            std::string literal(text.substr(i, *close - i));
            literal.front() = c == '\'' ? '\'' : 'N';
            tokens.push_back({Kind::Literal, literal});
            i = *close;
            continue;
        }
        if (c == '[' || c == '"') {
            const auto close = quotedEnd(text, i, c == '[' ? ']' : '"');
            if (!close)
                return std::nullopt;
            tokens.push_back({Kind::Name, unquotedName(text.substr(i, *close - i))});
            i = *close;
            continue;
        }
        if (digit(c) || (c == '.' && digit(next))) {
            while (end < text.size() &&
                   (wordPart(static_cast<unsigned char>(text[end])) || text[end] == '.' ||
                    ((text[end] == '+' || text[end] == '-') &&
                     (text[end - 1] == 'e' || text[end - 1] == 'E'))))
                ++end;
            tokens.push_back({Kind::Number, lower(text.substr(i, end - i))});
        } else if (wordStart(c)) {
            while (end < text.size() && wordPart(static_cast<unsigned char>(text[end])))
                ++end;
            std::string word = lower(text.substr(i, end - i));
            if (word == "current_timestamp") {
                // Kept by later releases as the function it stands for.
                tokens.push_back({Kind::Word, "getdate"});
                tokens.push_back({Kind::Symbol, "("});
                tokens.push_back({Kind::Symbol, ")"});
            } else {
                tokens.push_back({Kind::Word, std::move(word)});
            }
        } else {
            static constexpr std::array<std::string_view, 6> pairs = {">=", "<=", "<>",
                                                                      "!=", "!<", "!>"};
            for (std::string_view pair : pairs)
                if (text.substr(i, 2) == pair)
                    end = i + 2;
            tokens.push_back({Kind::Symbol, std::string(text.substr(i, end - i))});
        }
        i = end;
    }
    return tokens;
}

bool isSymbol(const Token& token, std::string_view symbol) {
    return token.kind == Kind::Symbol && token.text == symbol;
}

// Whether a "(" after `token` opens the arguments of a function (or of IN):
// after a name or a word, except the words of operators and CASE.
bool opensArguments(const Token& token) {
    static constexpr std::array<std::string_view, 12> operators = {
        "and",  "or",      "not", "then", "else",   "when",
        "like", "between", "is",  "case", "escape", "as"};
    if (token.kind == Kind::Name)
        return true;
    if (token.kind != Kind::Word)
        return false;
    for (std::string_view word : operators)
        if (token.text == word)
            return false;
    return true;
}

// The position of the ")" that closes the "(" at `open`, or tokens.size().
std::size_t closing(const std::vector<Token>& tokens, std::size_t open) {
    int depth = 0;
    for (std::size_t i = open; i < tokens.size(); ++i) {
        if (isSymbol(tokens[i], "("))
            ++depth;
        else if (isSymbol(tokens[i], ")") && --depth == 0)
            return i;
    }
    return tokens.size();
}

// Takes away one pair of parentheses that holds only a constant (a number,
// a signed number or a string) and opens no arguments, or that wraps the
// whole; false when there is none.
bool dropOnePair(std::vector<Token>& tokens) {
    if (!tokens.empty() && isSymbol(tokens.front(), "(") &&
        closing(tokens, 0) == tokens.size() - 1) {
        tokens.pop_back();
        tokens.erase(tokens.begin());
        return true;
    }
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        if (!isSymbol(tokens[i], "(") || (i > 0 && opensArguments(tokens[i - 1])))
            continue;
        std::size_t k = i + 1;
        if (k < tokens.size() && (isSymbol(tokens[k], "-") || isSymbol(tokens[k], "+")))
            ++k;
        if (k + 1 >= tokens.size() ||
            !(tokens[k].kind == Kind::Number || (k == i + 1 && tokens[k].kind == Kind::Literal)) ||
            !isSymbol(tokens[k + 1], ")"))
            continue;
        tokens.erase(tokens.begin() + static_cast<std::ptrdiff_t>(k + 1));
        tokens.erase(tokens.begin() + static_cast<std::ptrdiff_t>(i));
        return true;
    }
    return false;
}

// The number of tokens of a constant at `i`: a number, a signed number or
// a string; 0 when there is none.
std::size_t constantLength(const std::vector<Token>& tokens, std::size_t i) {
    if (i >= tokens.size())
        return 0;
    if (tokens[i].kind == Kind::Number || tokens[i].kind == Kind::Literal)
        return 1;
    if ((isSymbol(tokens[i], "-") || isSymbol(tokens[i], "+")) && i + 1 < tokens.size() &&
        tokens[i + 1].kind == Kind::Number)
        return 2;
    return 0;
}

// A column at `i` that a comparison may restate: a name or a word that is
// no keyword, not part of a dotted name.
bool plainColumn(const std::vector<Token>& tokens, std::size_t i) {
    const Token& token = tokens[i];
    const bool name =
        token.kind == Kind::Name || (token.kind == Kind::Word && !isReservedKeyword(token.text));
    return name && !(i > 0 && isSymbol(tokens[i - 1], ".")) &&
           !(i > 0 && tokens[i - 1].kind == Kind::Word && tokens[i - 1].text == "not");
}

using Tokens = std::vector<Token>;

Tokens slice(const Tokens& tokens, std::size_t from, std::size_t length) {
    return Tokens(tokens.begin() + static_cast<std::ptrdiff_t>(from),
                  tokens.begin() + static_cast<std::ptrdiff_t>(from + length));
}

// Restates one `c BETWEEN a AND b` as `c >= a and c <= b`, or one
// `c IN (a, b, ...)` as `(c = ... or c = b or c = a)`, the list from its
// end, as SQL Server 2005 and later keep them; false when there is none.
bool restateOneComparison(Tokens& tokens) {
    for (std::size_t i = 1; i < tokens.size(); ++i) {
        const Token& word = tokens[i];
        if (word.kind != Kind::Word || !plainColumn(tokens, i - 1))
            continue;
        const Token column = tokens[i - 1];
        Tokens restated;
        std::size_t end = 0;
        if (word.text == "between") {
            const std::size_t low = constantLength(tokens, i + 1);
            const std::size_t andAt = i + 1 + low;
            if (!low || andAt >= tokens.size() || tokens[andAt].text != "and" ||
                tokens[andAt].kind != Kind::Word)
                continue;
            const std::size_t high = constantLength(tokens, andAt + 1);
            if (!high)
                continue;
            restated.push_back(column);
            restated.push_back({Kind::Symbol, ">="});
            for (const Token& t : slice(tokens, i + 1, low))
                restated.push_back(t);
            restated.push_back({Kind::Word, "and"});
            restated.push_back(column);
            restated.push_back({Kind::Symbol, "<="});
            for (const Token& t : slice(tokens, andAt + 1, high))
                restated.push_back(t);
            end = andAt + 1 + high;
        } else if (word.text == "in" && i + 1 < tokens.size() && isSymbol(tokens[i + 1], "(")) {
            std::vector<Tokens> values;
            std::size_t at = i + 2;
            for (;;) {
                const std::size_t length = constantLength(tokens, at);
                if (!length)
                    break;
                values.push_back(slice(tokens, at, length));
                at += length;
                if (at < tokens.size() && isSymbol(tokens[at], ","))
                    ++at;
                else
                    break;
            }
            if (values.empty() || at >= tokens.size() || !isSymbol(tokens[at], ")"))
                continue;
            restated.push_back({Kind::Symbol, "("});
            for (auto value = values.rbegin(); value != values.rend(); ++value) {
                if (value != values.rbegin())
                    restated.push_back({Kind::Word, "or"});
                restated.push_back(column);
                restated.push_back({Kind::Symbol, "="});
                restated.insert(restated.end(), value->begin(), value->end());
            }
            restated.push_back({Kind::Symbol, ")"});
            end = at + 1;
        } else {
            continue;
        }
        tokens.erase(tokens.begin() + static_cast<std::ptrdiff_t>(i - 1),
                     tokens.begin() + static_cast<std::ptrdiff_t>(end));
        tokens.insert(tokens.begin() + static_cast<std::ptrdiff_t>(i - 1), restated.begin(),
                      restated.end());
        return true;
    }
    return false;
}

} // namespace

std::string releaseNeutralForm(std::string_view definition) {
    std::optional<std::vector<Token>> tokens = scan(definition);
    if (!tokens)
        return std::string(trimControl(definition));
    while (dropOnePair(*tokens)) {
    }
    if (restateOneComparison(*tokens)) {
        while (restateOneComparison(*tokens) || dropOnePair(*tokens)) {
        }
    }
    std::string form;
    for (const Token& token : *tokens) {
        if (!form.empty())
            form += ' ';
        form += token.text;
    }
    return form;
}

} // namespace dbc
