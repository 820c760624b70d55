#include "testserver/engine/statement_splitter.h"

#include <array>
#include <initializer_list>

namespace testserver {

namespace {

constexpr std::array<std::string_view, 38> kStatementKeywords{
    "select",     "use",    "set",        "create",  "alter",     "drop",     "exec",
    "execute",    "insert", "update",     "delete",  "declare",   "print",    "if",
    "begin",      "commit", "rollback",   "save",    "while",     "return",   "grant",
    "revoke",     "deny",   "truncate",   "dbcc",    "raiserror", "waitfor",  "goto",
    "checkpoint", "backup", "restore",    "setuser", "break",     "continue", "open",
    "close",      "fetch",  "deallocate",
};

// Object kinds that DROP/ALTER name when they begin a statement of their own.
bool isObjectKindKeyword(const Token& token) {
    static constexpr std::string_view kinds[] = {
        "table", "index",      "procedure", "proc",   "view", "trigger", "database", "default",
        "rule",  "statistics", "function",  "schema", "user", "login",   "role",     "type"};
    for (std::string_view kind : kinds)
        if (token.is(kind))
            return true;
    return false;
}

class Splitter {
public:
    Splitter(std::string_view batch, const std::vector<Token>& tokens, std::size_t begin,
             std::size_t end)
        : m_batch(batch), m_tokens(tokens), m_begin(begin), m_end(end) {}

    std::vector<StatementSpan> run() {
        std::size_t i = m_begin;
        while (i < m_end) {
            if (m_tokens[i].isSymbol(";")) {
                ++i;
                continue;
            }
            std::size_t end = statementEnd(i);
            StatementSpan span;
            span.begin = i;
            span.end = end;
            span.line = m_tokens[i].line;
            if (startsModuleDefinition(m_tokens, i) && m_spans.empty())
                span.text = std::string(m_batch); // stored as sent
            else
                span.text = std::string(m_batch.substr(m_tokens[i].offset, m_tokens[end - 1].end() -
                                                                               m_tokens[i].offset));
            m_spans.push_back(std::move(span));
            i = end;
        }
        return std::move(m_spans);
    }

private:
    std::size_t statementEnd(std::size_t begin) const {
        if (startsModuleDefinition(m_tokens, begin))
            return m_end;
        const Token& first = m_tokens[begin];
        if (first.is("if") || first.is("while"))
            return ifEnd(begin);
        if (startsBlock(m_tokens, begin, m_end))
            return blockEnd(m_tokens, begin, m_end);
        int depth = 0;
        int caseDepth = 0; // CASE ... ELSE ... END inside an expression
        for (std::size_t i = begin + 1; i < m_end; ++i) {
            const Token& token = m_tokens[i];
            if (token.isSymbol("("))
                ++depth;
            else if (token.isSymbol(")"))
                --depth;
            if (depth > 0)
                continue;
            if (token.is("end") && caseDepth == 0)
                return i; // the END of an enclosing block
            if (token.is("case"))
                ++caseDepth;
            else if (token.is("end"))
                --caseDepth;
            if (token.isSymbol(";") || (token.is("else") && caseDepth == 0))
                return i;
            if (isStatementKeyword(token) && startsNewStatement(begin, i))
                return i;
        }
        return m_end;
    }

    // IF <condition> <statement> [ELSE <statement>] is one statement, and so
    // is WHILE <condition> <statement>.
    std::size_t ifEnd(std::size_t begin) const {
        std::size_t i = begin + 1;
        int depth = 0;
        for (; i < m_end; ++i) {
            const Token& token = m_tokens[i];
            if (token.isSymbol("("))
                ++depth;
            else if (token.isSymbol(")"))
                --depth;
            else if (depth == 0 && isStatementKeyword(token))
                break;
        }
        if (i >= m_end)
            return i;
        std::size_t end = statementEnd(i);
        if (m_tokens[begin].is("while"))
            return end;
        if (end < m_end && m_tokens[end].isSymbol(";") && end + 1 < m_end &&
            m_tokens[end + 1].is("else"))
            ++end;
        if (end < m_end && m_tokens[end].is("else") && end + 1 < m_end)
            end = statementEnd(end + 1);
        return end;
    }

    // Whether one of the keywords stands outside parentheses in [begin, end).
    bool hasKeywordOutside(std::size_t begin, std::size_t end,
                           std::initializer_list<std::string_view> keywords) const {
        int depth = 0;
        for (std::size_t j = begin; j < end; ++j) {
            const Token& token = m_tokens[j];
            depth += token.isSymbol("(") ? 1 : token.isSymbol(")") ? -1 : 0;
            if (depth == 0)
                for (std::string_view keyword : keywords)
                    if (token.is(keyword))
                        return true;
        }
        return false;
    }

    bool startsNewStatement(std::size_t begin, std::size_t i) const {
        const Token& token = m_tokens[i];
        const Token& previous = m_tokens[i - 1];
        const Token& first = m_tokens[begin];
        // GRANT SELECT, EXECUTE, ... ON: permission names, not statements.
        if ((first.is("grant") || first.is("revoke") || first.is("deny")) &&
            (previous.isSymbol(",") || previous.is("grant") || previous.is("revoke") ||
             previous.is("deny") || previous.is("for")))
            return false;
        // DECLARE c CURSOR FOR SELECT ... [FOR UPDATE]: the cursor's query.
        if (first.is("declare") && previous.is("for"))
            return false;
        // INSERT ... SELECT: the rows' source, unless the INSERT has its
        // source (VALUES, DEFAULT VALUES, a SELECT) already.
        if (token.is("select"))
            return !(previous.is("union") || previous.is("all") || previous.is("except") ||
                     previous.is("intersect") ||
                     (first.is("insert") && !hasKeywordOutside(begin, i, {"values", "select"})));
        if ((token.is("delete") || token.is("update")) && previous.is("on"))
            return false;
        if (token.is("set") && ((first.is("update") && !hasKeywordOutside(begin, i, {"set"})) ||
                                previous.is("delete") || previous.is("update")))
            return false;
        // DROP <kind> IF EXISTS name (SQL Server 2016 and later).
        if (token.is("if") && first.is("drop") && i == begin + 2 && isObjectKindKeyword(previous) &&
            i + 1 < m_end && m_tokens[i + 1].is("exists"))
            return false;
        // ALTER DATABASE ... WITH ROLLBACK IMMEDIATE: how other users' work ends.
        if (token.is("rollback") && previous.is("with"))
            return false;
        // ALTER DATABASE name SET option, ...
        if (token.is("set") && first.is("alter") && i == begin + 3 &&
            m_tokens[begin + 1].is("database"))
            return false;
        if ((token.is("alter") || token.is("drop")) && first.is("alter") &&
            begin + 1 < m_tokens.size() && m_tokens[begin + 1].is("table")) {
            if (i + 1 >= m_end)
                return false;
            const Token& following = m_tokens[i + 1];
            if (token.is("alter"))
                return !following.is("column");
            return isObjectKindKeyword(following);
        }
        if (token.is("exec") || token.is("execute"))
            return true;
        return true;
    }

    std::string_view m_batch;
    const std::vector<Token>& m_tokens;
    std::size_t m_begin;
    std::size_t m_end;
    std::vector<StatementSpan> m_spans;
};

} // namespace

bool isStatementKeyword(const Token& token) {
    if (!token.isWord())
        return false;
    for (std::string_view keyword : kStatementKeywords)
        if (token.is(keyword))
            return true;
    return false;
}

bool startsModuleDefinition(const std::vector<Token>& tokens, std::size_t index) {
    if (index + 1 >= tokens.size())
        return false;
    if (!tokens[index].is("create") && !tokens[index].is("alter"))
        return false;
    const Token& kind = tokens[index + 1];
    return kind.is("procedure") || kind.is("proc") || kind.is("view") || kind.is("trigger") ||
           kind.is("function") ||
           (tokens[index].is("create") && (kind.is("default") || kind.is("rule")));
}

std::vector<StatementSpan> splitStatements(std::string_view batch,
                                           const std::vector<Token>& tokens) {
    return Splitter(batch, tokens, 0, tokens.size()).run();
}

std::vector<StatementSpan> splitStatements(std::string_view batch, const std::vector<Token>& tokens,
                                           std::size_t begin, std::size_t end) {
    return Splitter(batch, tokens, begin, end).run();
}

bool startsBlock(const std::vector<Token>& tokens, std::size_t index, std::size_t end) {
    if (!tokens[index].is("begin"))
        return false;
    if (index + 1 >= end)
        return true;
    const Token& next = tokens[index + 1];
    return !(next.is("tran") || next.is("transaction") || next.is("distributed"));
}

std::size_t blockEnd(const std::vector<Token>& tokens, std::size_t begin, std::size_t end) {
    int blocks = 0;
    int cases = 0;
    for (std::size_t i = begin; i < end; ++i) {
        const Token& token = tokens[i];
        if (startsBlock(tokens, i, end))
            ++blocks;
        else if (token.is("case"))
            ++cases;
        else if (token.is("end") && cases > 0)
            --cases;
        else if (token.is("end") && --blocks == 0)
            return i + 1;
    }
    return end;
}

} // namespace testserver
