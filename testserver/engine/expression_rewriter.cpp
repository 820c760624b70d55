#include "testserver/engine/expression_rewriter.h"

#include "testserver/engine/lexer.h"
#include "testserver/engine/name_collation.h"
#include "testserver/engine/server_error.h"
#include "testserver/engine/sql_value.h"
#include "testserver/engine/token_cursor.h"

#include <optional>
#include <vector>

namespace testserver {

namespace {

// Reserved words that are called like functions.
constexpr std::string_view kFunctionKeywords[] = {
    "convert", "cast",         "left",         "right",       "coalesce",         "nullif",
    "user",    "current_user", "session_user", "system_user", "current_timestamp"};

constexpr std::string_view kDatePartFunctions[] = {"dateadd", "datediff", "datepart", "datename"};

struct Piece {
    std::size_t end = 0; // one past the last token
    std::string text;
};

class Unbalanced {};

class Rewriter {
public:
    explicit Rewriter(std::string_view sql) : m_sql(sql), m_tokens(tokenize(sql)) {}

    std::string run() {
        if (m_tokens.empty())
            return std::string(m_sql);
        return std::string(m_sql.substr(0, m_tokens.front().offset)) + range(0, m_tokens.size()) +
               std::string(m_sql.substr(m_tokens.back().end()));
    }

private:
    // The source text between token i - 1 and token i (blanks, comments).
    std::string gap(std::size_t i) const {
        if (i == 0 || i >= m_tokens.size())
            return {};
        std::size_t from = m_tokens[i - 1].end();
        return std::string(m_sql.substr(from, m_tokens[i].offset - from));
    }

    std::string range(std::size_t begin, std::size_t end) {
        std::string out;
        std::size_t i = begin;
        while (i < end) {
            if (i > begin)
                out += gap(i);
            if (startsFactor(i, end)) {
                Piece piece = additive(i, end);
                out += piece.text;
                i = piece.end;
            } else {
                out += m_tokens[i].text;
                ++i;
            }
        }
        return out;
    }

    bool followedByCall(std::size_t i, std::size_t end) const {
        return i + 1 < end && m_tokens[i + 1].isSymbol("(");
    }

    bool isFunctionKeyword(const Token& token) const {
        for (std::string_view word : kFunctionKeywords)
            if (token.is(word))
                return true;
        return false;
    }

    bool startsOperand(std::size_t i, std::size_t end) const {
        const Token& token = m_tokens[i];
        switch (token.kind) {
        case TokenKind::String:
        case TokenKind::UnicodeString:
        case TokenKind::Number:
        case TokenKind::QuotedName:
            return true;
        case TokenKind::Symbol:
            return token.text == "(";
        case TokenKind::Word:
            break;
        }
        if (token.text.front() == '@' || token.is("null") || token.is("case"))
            return true;
        if (isReservedKeyword(token.text))
            return isFunctionKeyword(token) && (followedByCall(i, end) || !token.is("convert"));
        return true;
    }

    bool startsFactor(std::size_t i, std::size_t end) const {
        if (i >= end)
            return false;
        const Token& token = m_tokens[i];
        if (token.isSymbol("-") || token.isSymbol("+") || token.isSymbol("~"))
            return startsFactor(i + 1, end);
        return startsOperand(i, end);
    }

    Piece additive(std::size_t i, std::size_t end) {
        Piece left = term(i, end);
        while (left.end < end) {
            const Token& op = m_tokens[left.end];
            bool plus = op.isSymbol("+");
            if (!(plus || op.isSymbol("-") || op.isSymbol("&") || op.isSymbol("|") ||
                  op.isSymbol("^")) ||
                !startsFactor(left.end + 1, end))
                break;
            std::size_t at = left.end;
            Piece right = term(at + 1, end);
            if (plus)
                left.text = "tsql_plus(" + left.text + ", " + right.text + ")";
            else
                left.text += gap(at) + op.text + gap(at + 1) + right.text;
            left.end = right.end;
        }
        return left;
    }

    Piece term(std::size_t i, std::size_t end) {
        Piece left = factor(i, end);
        while (left.end < end) {
            const Token& op = m_tokens[left.end];
            if (!(op.isSymbol("*") || op.isSymbol("/") || op.isSymbol("%")) ||
                !startsFactor(left.end + 1, end))
                break;
            std::size_t at = left.end;
            Piece right = factor(at + 1, end);
            left.text += gap(at) + op.text + gap(at + 1) + right.text;
            left.end = right.end;
        }
        return left;
    }

    Piece factor(std::size_t i, std::size_t end) {
        const Token& token = m_tokens[i];
        if (token.isSymbol("-") || token.isSymbol("+") || token.isSymbol("~")) {
            Piece operand = factor(i + 1, end);
            return {operand.end, token.text + gap(i + 1) + operand.text};
        }
        return primary(i, end);
    }

    // The token that closes the parenthesis at `open`.
    std::size_t closing(std::size_t open, std::size_t end) const {
        int depth = 0;
        for (std::size_t k = open; k < end; ++k) {
            if (m_tokens[k].isSymbol("("))
                ++depth;
            else if (m_tokens[k].isSymbol(")") && --depth == 0)
                return k;
        }
        throw Unbalanced();
    }

    // "(" inside ")" with the inside rewritten.
    std::string parenthesized(std::size_t open, std::size_t close) {
        return "(" + gap(open + 1) + range(open + 1, close) + (close > open + 1 ? gap(close) : "") +
               ")";
    }

    Piece primary(std::size_t i, std::size_t end) {
        const Token& token = m_tokens[i];
        if (token.isSymbol("(")) {
            std::size_t close = closing(i, end);
            return {close + 1, parenthesized(i, close)};
        }
        if (token.is("case"))
            return caseExpression(i, end);
        if (token.isWord() && followedByCall(i, end)) {
            if (token.is("convert"))
                return convert(i, end);
            if (token.is("cast"))
                return cast(i, end);
            for (std::string_view name : kDatePartFunctions)
                if (token.is(name))
                    return datePartCall(i, end);
        }
        if (!token.isName() || token.text.front() == '@' || token.is("null"))
            return {i + 1, token.text};
        // A name, possibly qualified (db..t, t.*), possibly called. SQLite
        // reads ISNULL, LEFT and RIGHT as its own words, so those functions
        // go by other names.
        std::string text = token.text;
        if (followedByCall(i, end) && (token.is("isnull") || token.is("left") || token.is("right")))
            text = "tsql_" + asciiLower(token.text);
        std::size_t k = i + 1;
        while (k < end && m_tokens[k].isSymbol(".")) {
            text += m_tokens[k].text;
            ++k;
            if (k < end && (m_tokens[k].isName() || m_tokens[k].isSymbol("*"))) {
                text += m_tokens[k].text;
                ++k;
            }
        }
        if (k < end && m_tokens[k].isSymbol("(")) {
            std::size_t close = closing(k, end);
            text += gap(k) + parenthesized(k, close);
            k = close + 1;
        }
        return {k, text};
    }

    Piece caseExpression(std::size_t i, std::size_t end) {
        int depth = 0;
        for (std::size_t k = i; k < end; ++k) {
            if (m_tokens[k].is("case"))
                ++depth;
            else if (m_tokens[k].is("end") && --depth == 0)
                return {k + 1, m_tokens[i].text + gap(i + 1) + range(i + 1, k) + gap(k) +
                                   m_tokens[k].text};
        }
        throw Unbalanced();
    }

    // The first top-level comma (or keyword) inside the parentheses.
    std::size_t topLevel(std::size_t from, std::size_t close, std::string_view what) const {
        int depth = 0;
        for (std::size_t k = from; k < close; ++k) {
            if (m_tokens[k].isSymbol("("))
                ++depth;
            else if (m_tokens[k].isSymbol(")"))
                --depth;
            else if (depth == 0 && (m_tokens[k].isSymbol(what) || m_tokens[k].is(what)))
                return k;
        }
        return close;
    }

    std::string typeLiteral(std::size_t begin, std::size_t end) const {
        if (begin >= end)
            throw Unbalanced();
        std::size_t from = m_tokens[begin].offset;
        return tsqlLiteral(
            SqlValue::string(std::string(m_sql.substr(from, m_tokens[end - 1].end() - from))));
    }

    // CONVERT(type, expression [, style])
    Piece convert(std::size_t i, std::size_t end) {
        std::size_t close = closing(i + 1, end);
        std::size_t comma = topLevel(i + 2, close, ",");
        if (comma == close)
            throw Unbalanced();
        return {close + 1,
                "tsql_convert(" + typeLiteral(i + 2, comma) + ", " + range(comma + 1, close) + ")"};
    }

    // CAST(expression AS type)
    Piece cast(std::size_t i, std::size_t end) {
        std::size_t close = closing(i + 1, end);
        std::size_t as = topLevel(i + 2, close, "as");
        if (as == close)
            throw Unbalanced();
        return {close + 1,
                "tsql_convert(" + typeLiteral(as + 1, close) + ", " + range(i + 2, as) + ")"};
    }

    // DATEADD(datepart, ...): the date part is a word, passed as text.
    Piece datePartCall(std::size_t i, std::size_t end) {
        std::size_t close = closing(i + 1, end);
        if (i + 2 >= close || !m_tokens[i + 2].isWord())
            return {close + 1, m_tokens[i].text + parenthesized(i + 1, close)};
        std::string text =
            m_tokens[i].text + "('" + m_tokens[i + 2].text + "'" + range(i + 3, close) + ")";
        return {close + 1, text};
    }

    std::string_view m_sql;
    std::vector<Token> m_tokens;
};

} // namespace

std::string rewriteExpressions(std::string_view sql) {
    // Most catalog queries hold nothing to rewrite: spare them a second
    // tokenizing pass.
    std::string lower = asciiLower(sql);
    bool candidate = lower.find('+') != std::string::npos;
    for (std::string_view word : {"convert", "cast", "isnull", "left", "right", "date"})
        candidate = candidate || lower.find(word) != std::string::npos;
    if (!candidate)
        return std::string(sql);
    try {
        return Rewriter(sql).run();
    } catch (const Unbalanced&) {
        return std::string(sql);
    } catch (const ServerError&) {
        return std::string(sql); // the lexer's refusal comes again from the caller's own pass
    }
}

} // namespace testserver
