#include "testserver/engine/row_statement_parser.h"

#include "testserver/engine/server_error.h"

namespace testserver {

namespace {

// The index of the first token from `from` that is `keyword` outside
// parentheses, or the end.
std::size_t findOutside(const TokenCursor& cursor, std::size_t from, std::string_view keyword) {
    int depth = 0;
    for (std::size_t i = from; i < cursor.end(); ++i) {
        const Token& token = cursor.tokens()[i];
        if (token.isSymbol("("))
            ++depth;
        else if (token.isSymbol(")"))
            --depth;
        else if (depth == 0 && token.is(keyword))
            return i;
    }
    return cursor.end();
}

// The table's schema and name of db.schema.table (the statement runs in the
// current database).
ObjectName tableName(TokenCursor& cursor, std::string_view verb) {
    if (!cursor.atEnd() && cursor.peek().isWord() && cursor.peek().text.front() == '@')
        throw messages::notSupported("table variables");
    ObjectName name = cursor.qualifiedName().objectName();
    if (!name.name.empty() && name.name.front() == '#') // temporary tables hold no rows here
        throw messages::noTableData(verb);
    return name;
}

// A parenthesised list of expressions, split at commas outside parentheses;
// DEFAULT alone stands for the column's default.
std::vector<std::optional<std::string>> expressionList(TokenCursor& cursor) {
    cursor.expectSymbol("(");
    std::vector<std::optional<std::string>> items;
    std::size_t begin = cursor.position();
    int depth = 0;
    for (;;) {
        if (cursor.atEnd())
            throw cursor.unexpected();
        std::size_t at = cursor.position();
        const Token& token = cursor.next();
        if (token.isSymbol("(")) {
            ++depth;
            continue;
        }
        if (depth > 0) {
            depth -= token.isSymbol(")") ? 1 : 0;
            continue;
        }
        if (!token.isSymbol(",") && !token.isSymbol(")"))
            continue;
        if (at == begin)
            throw TokenCursor::unexpected(token);
        if (at == begin + 1 && cursor.tokens()[begin].is("default"))
            items.emplace_back();
        else
            items.emplace_back(cursor.textOf(begin, at));
        begin = cursor.position();
        if (token.isSymbol(")"))
            return items;
    }
}

Command parseInsert(TokenCursor& cursor) {
    cursor.expect("insert");
    cursor.accept("into");
    InsertRows insert;
    insert.table = tableName(cursor, "INSERT");
    if (!cursor.atEnd() && cursor.peek().isSymbol("(") && cursor.hasAhead(1) &&
        !cursor.peek(1).is("select")) {
        cursor.expectSymbol("(");
        do
            insert.columns.push_back(cursor.name());
        while (cursor.acceptSymbol(","));
        cursor.expectSymbol(")");
    }
    if (cursor.accept("default")) {
        if (!insert.columns.empty())
            throw TokenCursor::unexpected(cursor.tokens()[cursor.position() - 1]);
        cursor.expect("values");
        insert.defaultValues = true;
    } else if (cursor.accept("values")) {
        do
            insert.values.push_back(expressionList(cursor));
        while (cursor.acceptSymbol(","));
    } else if (!cursor.atEnd() && (cursor.peek().is("select") || cursor.peek().isSymbol("("))) {
        insert.select = cursor.textOf(cursor.position(), cursor.end());
        cursor.seek(cursor.end());
    } else if (!cursor.atEnd() && (cursor.peek().is("exec") || cursor.peek().is("execute"))) {
        throw messages::notSupported("INSERT ... EXECUTE");
    } else {
        throw cursor.unexpected();
    }
    cursor.expectEnd();
    return Command{insert, 1};
}

// [FROM ...] [WHERE ...] after the target or the SET list, from `begin`.
void fromAndWhere(TokenCursor& cursor, std::size_t begin, std::string& from, std::string& where) {
    cursor.seek(begin);
    std::size_t whereAt = findOutside(cursor, begin, "where");
    if (cursor.accept("from")) {
        if (cursor.position() >= whereAt)
            throw cursor.unexpected();
        from = cursor.textOf(cursor.position(), whereAt);
    } else if (begin != whereAt) {
        throw cursor.unexpected();
    }
    if (whereAt < cursor.end()) {
        if (whereAt + 1 >= cursor.end())
            throw TokenCursor::unexpected(cursor.tokens()[whereAt]);
        where = cursor.textOf(whereAt + 1, cursor.end());
    }
    cursor.seek(cursor.end());
}

Command parseUpdate(TokenCursor& cursor) {
    cursor.expect("update");
    UpdateRows update;
    update.target = tableName(cursor, "UPDATE");
    cursor.expect("set");
    std::size_t listEnd = std::min(findOutside(cursor, cursor.position(), "from"),
                                   findOutside(cursor, cursor.position(), "where"));
    while (cursor.position() < listEnd) {
        if (cursor.peek().isWord() && cursor.peek().text.front() == '@')
            throw messages::notSupported("assigning variables in UPDATE");
        std::string column = cursor.qualifiedName().last();
        cursor.expectSymbol("=");
        std::size_t begin = cursor.position();
        int depth = 0;
        std::size_t end = begin;
        for (; end < listEnd; ++end) {
            const Token& token = cursor.tokens()[end];
            depth += token.isSymbol("(") ? 1 : token.isSymbol(")") ? -1 : 0;
            if (depth == 0 && token.isSymbol(","))
                break;
        }
        if (end == begin)
            throw cursor.unexpected();
        update.assignments.emplace_back(column, cursor.textOf(begin, end));
        cursor.seek(end);
        if (end < listEnd)
            cursor.expectSymbol(",");
    }
    if (update.assignments.empty())
        throw cursor.unexpected();
    fromAndWhere(cursor, listEnd, update.from, update.where);
    return Command{update, 1};
}

Command parseDelete(TokenCursor& cursor) {
    cursor.expect("delete");
    cursor.accept("from");
    DeleteRows statement;
    statement.target = tableName(cursor, "DELETE");
    fromAndWhere(cursor, cursor.position(), statement.from, statement.where);
    return Command{statement, 1};
}

} // namespace

Command parseRowStatement(TokenCursor& cursor) {
    const Token& first = cursor.peek();
    if (first.is("insert"))
        return parseInsert(cursor);
    if (first.is("update"))
        return parseUpdate(cursor);
    return parseDelete(cursor);
}

Command parseSetIdentityInsert(TokenCursor& cursor) {
    SetIdentityInsert statement;
    statement.table = cursor.qualifiedName().objectName();
    statement.on = cursor.accept("on");
    if (!statement.on)
        cursor.expect("off");
    cursor.expectEnd();
    return Command{statement, 1};
}

} // namespace testserver
