#include "testserver/engine/cursor_statement_parser.h"

#include "testserver/engine/server_error.h"
#include "testserver/engine/variable_statement_parser.h"

namespace testserver {

namespace {

// [GLOBAL] name; a cursor variable (@c) is not modelled.
std::string cursorName(TokenCursor& cursor, bool& global) {
    if (cursor.hasAhead(1) && cursor.peek().is("global")) {
        cursor.next();
        global = true;
    }
    if (!cursor.atEnd() && isLocalVariable(cursor.peek()))
        throw messages::notSupported("cursor variables");
    return cursor.name();
}

// Skips the cursor's options up to FOR; true when they let FETCH scroll:
// SCROLL, or STATIC, KEYSET or DYNAMIC without FORWARD_ONLY.
bool skipOptions(TokenCursor& cursor, std::optional<bool>& global) {
    bool scroll = false;
    bool typed = false;
    bool forwardOnly = false;
    while (!cursor.atEnd() && !cursor.peek().is("for")) {
        const Token& option = cursor.next();
        if (option.is("local"))
            global = false;
        else if (option.is("global"))
            global = true;
        else if (option.is("scroll"))
            scroll = true;
        else if (option.is("static") || option.is("keyset") || option.is("dynamic"))
            typed = true;
        else if (option.is("forward_only") || option.is("fast_forward"))
            forwardOnly = true;
        else if (!(option.is("read_only") || option.is("scroll_locks") || option.is("optimistic") ||
                   option.is("type_warning")))
            throw TokenCursor::unexpected(option);
    }
    return scroll || (typed && !forwardOnly);
}

// The SELECT after FOR, without a trailing FOR READ ONLY | FOR UPDATE [OF ...].
std::string selectText(TokenCursor& cursor) {
    cursor.expect("for");
    if (cursor.atEnd() || !cursor.peek().is("select"))
        throw cursor.unexpected();
    std::size_t begin = cursor.position();
    std::size_t end = cursor.end();
    int depth = 0;
    for (std::size_t i = begin; i < cursor.end(); ++i) {
        const Token& token = cursor.tokens()[i];
        depth += token.isSymbol("(") ? 1 : token.isSymbol(")") ? -1 : 0;
        if (depth == 0 && token.is("for") && i + 1 < cursor.end() &&
            (cursor.tokens()[i + 1].is("read") || cursor.tokens()[i + 1].is("update"))) {
            end = i;
            break;
        }
    }
    cursor.seek(cursor.end());
    return cursor.textOf(begin, end);
}

} // namespace

bool declaresCursor(const TokenCursor& cursor) {
    if (!cursor.hasAhead(2) || isLocalVariable(cursor.peek(1)))
        return false;
    for (std::size_t ahead = 2; cursor.hasAhead(ahead); ++ahead) {
        const Token& token = cursor.peek(ahead);
        if (token.is("cursor"))
            return true;
        if (!token.is("insensitive") && !token.is("scroll"))
            return false;
    }
    return false;
}

Command parseDeclareCursor(TokenCursor& cursor) {
    cursor.expect("declare");
    DeclareCursor declare;
    declare.name = cursor.name();
    // SQL-92: DECLARE name [INSENSITIVE] [SCROLL] CURSOR FOR ...
    cursor.accept("insensitive");
    declare.scroll = cursor.accept("scroll");
    cursor.expect("cursor");
    declare.scroll = skipOptions(cursor, declare.global) || declare.scroll;
    declare.select = selectText(cursor);
    return Command{declare, 1};
}

Command parseCursorStatement(TokenCursor& cursor) {
    CursorStatement statement;
    const Token& verb = cursor.next();
    statement.kind = verb.is("open")    ? CursorStatement::Kind::Open
                     : verb.is("close") ? CursorStatement::Kind::Close
                                        : CursorStatement::Kind::Deallocate;
    statement.name = cursorName(cursor, statement.global);
    cursor.expectEnd();
    return Command{statement, 1};
}

Command parseFetch(TokenCursor& cursor) {
    cursor.expect("fetch");
    FetchCursor fetch;
    using Direction = FetchCursor::Direction;
    if (cursor.accept("next"))
        fetch.direction = Direction::Next;
    else if (cursor.accept("prior"))
        fetch.direction = Direction::Prior;
    else if (cursor.accept("first"))
        fetch.direction = Direction::First;
    else if (cursor.accept("last"))
        fetch.direction = Direction::Last;
    else if (cursor.peek().is("absolute") || cursor.peek().is("relative")) {
        fetch.direction = cursor.next().is("absolute") ? Direction::Absolute : Direction::Relative;
        std::size_t begin = cursor.position();
        while (!cursor.atEnd() && !cursor.peek().is("from"))
            cursor.next();
        if (cursor.position() == begin)
            throw cursor.unexpected();
        fetch.offset = cursor.textOf(begin, cursor.position());
    }
    cursor.accept("from");
    fetch.name = cursorName(cursor, fetch.global);
    if (cursor.accept("into")) {
        do {
            const Token& variable = cursor.next();
            if (!isLocalVariable(variable))
                throw TokenCursor::unexpected(variable);
            fetch.into.push_back(variable.text);
        } while (cursor.acceptSymbol(","));
    }
    cursor.expectEnd();
    return Command{fetch, 1};
}

} // namespace testserver
