#pragma once

#include "testserver/engine/object_name.h"
#include "testserver/engine/server_error.h"
#include "testserver/engine/token.h"

#include <string>
#include <string_view>
#include <vector>

namespace testserver {

// A possibly qualified name: db.owner.object, owner.object or object. Parts
// are unquoted; empty parts stand for omitted ones ("db..t").
struct QualifiedName {
    std::vector<std::string> parts;
    const std::string& last() const { return parts.back(); }
    // The schema (the part before the last, empty when omitted) and the name.
    ObjectName objectName() const {
        return ObjectName{parts.size() >= 2 ? parts[parts.size() - 2] : std::string(), last()};
    }
};

// Walks a statement's tokens for the parsers; every refusal is SQL Server's
// syntax error naming the token where parsing stopped.
class TokenCursor {
public:
    TokenCursor(std::string_view source, const std::vector<Token>& tokens, std::size_t begin,
                std::size_t end);

    bool atEnd() const noexcept { return m_pos >= m_end; }
    const Token& peek(std::size_t ahead = 0) const;
    bool hasAhead(std::size_t ahead) const noexcept { return m_pos + ahead < m_end; }
    const Token& next();
    std::size_t position() const noexcept { return m_pos; }
    void seek(std::size_t position) noexcept { m_pos = position; }
    std::size_t end() const noexcept { return m_end; }
    const std::vector<Token>& tokens() const noexcept { return m_tokens; }
    std::string_view source() const noexcept { return m_source; }
    // The source text from token `first` to the end of token `last - 1`.
    std::string textOf(std::size_t first, std::size_t last) const;

    // Consumes the keyword (or symbol) when it is next.
    bool accept(std::string_view keyword);
    bool acceptSymbol(std::string_view symbol);
    void expect(std::string_view keyword);
    void expectSymbol(std::string_view symbol);
    void expectEnd();

    // An identifier (plain word that is not a reserved keyword, or quoted).
    std::string name();
    QualifiedName qualifiedName();
    long long integer();

    // The error for the token at the cursor (or the last one at the end).
    ServerError unexpected() const;
    static ServerError unexpected(const Token& token);

private:
    std::string_view m_source;
    const std::vector<Token>& m_tokens;
    std::size_t m_pos;
    std::size_t m_begin;
    std::size_t m_end;
};

// T-SQL reserved keywords: a syntax error near one of them is reported as
// "near the keyword", and they cannot serve as plain identifiers.
bool isReservedKeyword(std::string_view word);

} // namespace testserver
