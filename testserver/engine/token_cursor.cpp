#include "testserver/engine/token_cursor.h"

#include "testserver/engine/name_collation.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace testserver {

namespace {

constexpr std::array<std::string_view, 174> kReserved{
    "add",
    "all",
    "alter",
    "and",
    "any",
    "as",
    "asc",
    "authorization",
    "backup",
    "begin",
    "between",
    "break",
    "browse",
    "bulk",
    "by",
    "cascade",
    "case",
    "check",
    "checkpoint",
    "close",
    "clustered",
    "coalesce",
    "collate",
    "column",
    "commit",
    "compute",
    "constraint",
    "contains",
    "containstable",
    "continue",
    "convert",
    "create",
    "cross",
    "current",
    "current_date",
    "current_time",
    "current_timestamp",
    "current_user",
    "cursor",
    "database",
    "dbcc",
    "deallocate",
    "declare",
    "default",
    "delete",
    "deny",
    "desc",
    "disk",
    "distinct",
    "distributed",
    "double",
    "drop",
    "dummy",
    "dump",
    "else",
    "end",
    "errlvl",
    "escape",
    "except",
    "exec",
    "execute",
    "exists",
    "exit",
    "fetch",
    "file",
    "fillfactor",
    "for",
    "foreign",
    "freetext",
    "freetexttable",
    "from",
    "full",
    "function",
    "goto",
    "grant",
    "group",
    "having",
    "holdlock",
    "identity",
    "identity_insert",
    "identitycol",
    "if",
    "in",
    "index",
    "inner",
    "insert",
    "intersect",
    "into",
    "is",
    "join",
    "key",
    "kill",
    "left",
    "like",
    "lineno",
    "load",
    "national",
    "nocheck",
    "nonclustered",
    "not",
    "null",
    "nullif",
    "of",
    "off",
    "offsets",
    "on",
    "open",
    "opendatasource",
    "openquery",
    "openrowset",
    "openxml",
    "option",
    "or",
    "order",
    "outer",
    "over",
    "percent",
    "plan",
    "precision",
    "primary",
    "print",
    "proc",
    "procedure",
    "public",
    "raiserror",
    "read",
    "readtext",
    "reconfigure",
    "references",
    "replication",
    "restore",
    "restrict",
    "return",
    "revoke",
    "right",
    "rollback",
    "rowcount",
    "rowguidcol",
    "rule",
    "save",
    "schema",
    "select",
    "session_user",
    "set",
    "setuser",
    "shutdown",
    "some",
    "statistics",
    "system_user",
    "table",
    "textsize",
    "then",
    "to",
    "top",
    "tran",
    "transaction",
    "trigger",
    "truncate",
    "tsequal",
    "union",
    "unique",
    "update",
    "updatetext",
    "use",
    "user",
    "values",
    "varying",
    "view",
    "waitfor",
    "when",
    "where",
    "while",
    "with",
    "writetext",
};

} // namespace

bool isReservedKeyword(std::string_view word) {
    std::string lower = asciiLower(word);
    return std::find(kReserved.begin(), kReserved.end(), lower) != kReserved.end();
}

TokenCursor::TokenCursor(std::string_view source, const std::vector<Token>& tokens,
                         std::size_t begin, std::size_t end)
    : m_source(source), m_tokens(tokens), m_pos(begin), m_begin(begin), m_end(end) {}

std::string TokenCursor::textOf(std::size_t first, std::size_t last) const {
    if (first >= last)
        return {};
    std::size_t from = m_tokens[first].offset;
    return std::string(m_source.substr(from, m_tokens[last - 1].end() - from));
}

const Token& TokenCursor::peek(std::size_t ahead) const {
    if (m_pos + ahead >= m_end)
        throw unexpected();
    return m_tokens[m_pos + ahead];
}

const Token& TokenCursor::next() {
    const Token& token = peek();
    ++m_pos;
    return token;
}

bool TokenCursor::accept(std::string_view keyword) {
    if (!atEnd() && m_tokens[m_pos].is(keyword)) {
        ++m_pos;
        return true;
    }
    return false;
}

bool TokenCursor::acceptSymbol(std::string_view symbol) {
    if (!atEnd() && m_tokens[m_pos].isSymbol(symbol)) {
        ++m_pos;
        return true;
    }
    return false;
}

void TokenCursor::expect(std::string_view keyword) {
    if (!accept(keyword))
        throw unexpected();
}

void TokenCursor::expectSymbol(std::string_view symbol) {
    if (!acceptSymbol(symbol))
        throw unexpected();
}

void TokenCursor::expectEnd() {
    if (!atEnd())
        throw unexpected();
}

std::string TokenCursor::name() {
    if (atEnd())
        throw unexpected();
    const Token& token = m_tokens[m_pos];
    if (token.kind == TokenKind::QuotedName ||
        (token.kind == TokenKind::Word && !isReservedKeyword(token.text) &&
         token.text.front() != '@')) {
        ++m_pos;
        return token.value;
    }
    throw unexpected();
}

QualifiedName TokenCursor::qualifiedName() {
    QualifiedName result;
    result.parts.push_back(name());
    while (!atEnd() && m_tokens[m_pos].isSymbol(".")) {
        ++m_pos;
        if (!atEnd() && m_tokens[m_pos].isSymbol(".")) {
            result.parts.emplace_back(); // "db..name"
            continue;
        }
        result.parts.push_back(name());
    }
    if (result.parts.size() > 4)
        throw unexpected();
    return result;
}

long long TokenCursor::integer() {
    bool negative = acceptSymbol("-");
    if (atEnd() || m_tokens[m_pos].kind != TokenKind::Number)
        throw unexpected();
    const std::string& text = m_tokens[m_pos].text;
    long long value = 0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || ptr != text.data() + text.size())
        throw unexpected();
    ++m_pos;
    return negative ? -value : value;
}

ServerError TokenCursor::unexpected() const {
    if (m_pos < m_end)
        return unexpected(m_tokens[m_pos]);
    if (m_end > m_begin)
        return unexpected(m_tokens[m_end - 1]);
    return messages::syntaxNear("");
}

ServerError TokenCursor::unexpected(const Token& token) {
    ServerError error = token.kind == TokenKind::Word && isReservedKeyword(token.text)
                            ? messages::syntaxNearKeyword(token.text)
                            : messages::syntaxNear(token.kind == TokenKind::Word ||
                                                           token.kind == TokenKind::Number ||
                                                           token.kind == TokenKind::Symbol
                                                       ? token.text
                                                       : token.value);
    return error;
}

} // namespace testserver
