#include "testserver/engine/variable_statement_parser.h"

#include "testserver/engine/name_collation.h"
#include "testserver/engine/server_error.h"
#include "testserver/engine/sql_value.h"

namespace testserver {

namespace {

std::string variableName(TokenCursor& cursor) {
    const Token& token = cursor.next();
    if (!isLocalVariable(token))
        throw TokenCursor::unexpected(token);
    return token.text;
}

// The clause keywords that end a SELECT's list.
bool endsSelectList(const Token& token) {
    return token.is("from") || token.is("where") || token.is("group") || token.is("order") ||
           token.is("having") || token.is("union") || token.is("into");
}

} // namespace

bool isLocalVariable(const Token& token) {
    return token.isWord() && token.text.size() > 1 && token.text[0] == '@' && token.text[1] != '@';
}

Command parseDeclare(TokenCursor& cursor) {
    cursor.expect("declare");
    Declare declare;
    do {
        std::string name = variableName(cursor);
        cursor.accept("as");
        if (cursor.accept("table"))
            throw messages::notSupported("table variables");
        if (cursor.accept("cursor"))
            throw messages::notSupported("cursor variables");
        std::size_t begin = cursor.position();
        int depth = 0;
        while (!cursor.atEnd() && !(depth == 0 && cursor.peek().isSymbol(",")) &&
               !cursor.peek().isSymbol("=")) {
            const Token& token = cursor.next();
            depth += token.isSymbol("(") ? 1 : token.isSymbol(")") ? -1 : 0;
        }
        if (cursor.position() == begin)
            throw cursor.unexpected();
        if (!cursor.atEnd() && cursor.peek().isSymbol("="))
            throw ServerError(
                messages::make(139, 15, "Cannot assign a default value to a local variable."),
                true);
        DeclaredType type = parseTypeText(cursor.textOf(begin, cursor.position()));
        declare.variables.emplace_back(name, type);
    } while (cursor.acceptSymbol(","));
    cursor.expectEnd();
    return Command{declare, 1};
}

Command parseSetVariable(TokenCursor& cursor) {
    cursor.expect("set");
    SetVariable set;
    set.name = variableName(cursor);
    cursor.expectSymbol("=");
    if (cursor.atEnd())
        throw cursor.unexpected();
    set.expression = cursor.textOf(cursor.position(), cursor.end());
    cursor.seek(cursor.end());
    return Command{set, 1};
}

std::optional<Command> parseSelectAssign(TokenCursor& cursor) {
    std::size_t start = cursor.position();
    cursor.expect("select");
    // SELECT [ALL | DISTINCT] [TOP n [PERCENT]] @a = ...
    std::size_t quantifier = cursor.position();
    if (!cursor.accept("distinct"))
        cursor.accept("all");
    if (cursor.accept("top")) {
        if (!cursor.atEnd())
            cursor.next();
        cursor.accept("percent");
    }
    std::string prefix = cursor.position() > quantifier
                             ? cursor.textOf(quantifier, cursor.position()) + " "
                             : std::string();
    if (cursor.atEnd() || !isLocalVariable(cursor.peek()) || !cursor.hasAhead(1) ||
        !cursor.peek(1).isSymbol("=")) {
        cursor.seek(start);
        return std::nullopt;
    }
    SelectAssign assign;
    std::vector<std::string> expressions;
    while (true) {
        const Token& target = cursor.peek();
        if (!isLocalVariable(target) || !cursor.hasAhead(1) || !cursor.peek(1).isSymbol("="))
            throw ServerError(messages::make(141, 15,
                                             "A SELECT statement that assigns a value to a "
                                             "variable must not be combined with data-retrieval "
                                             "operations."),
                              true);
        assign.names.push_back(target.text);
        cursor.next();
        cursor.next();
        std::size_t begin = cursor.position();
        int depth = 0;
        while (!cursor.atEnd()) {
            const Token& token = cursor.peek();
            if (depth == 0 && (token.isSymbol(",") || endsSelectList(token)))
                break;
            depth += token.isSymbol("(") ? 1 : token.isSymbol(")") ? -1 : 0;
            cursor.next();
        }
        if (cursor.position() == begin)
            throw cursor.unexpected();
        expressions.push_back(cursor.textOf(begin, cursor.position()));
        if (!cursor.acceptSymbol(","))
            break;
    }
    std::string rest;
    if (!cursor.atEnd()) {
        if (cursor.peek().is("into"))
            throw messages::notSupported("SELECT INTO");
        rest = " " + cursor.textOf(cursor.position(), cursor.end());
    }
    // SQLite computes a sorted query's columns before it sorts, so only an
    // unsorted one can assign while it runs and keep the last row's values.
    int depth = 0;
    assign.assignsWhileRunning = true;
    for (std::size_t i = cursor.position(); i < cursor.end(); ++i) {
        const Token& token = cursor.tokens()[i];
        depth += token.isSymbol("(") ? 1 : token.isSymbol(")") ? -1 : 0;
        if (depth == 0 && token.is("order"))
            assign.assignsWhileRunning = false;
    }
    cursor.seek(cursor.end());
    std::string list;
    for (std::size_t i = 0; i < expressions.size(); ++i) {
        list += i ? ", " : "";
        list += assign.assignsWhileRunning
                    ? "tsql_assign('" + assign.names[i] + "', " + expressions[i] + ")"
                    : expressions[i];
    }
    assign.sql = "SELECT " + prefix + list + rest;
    return Command{assign, 1};
}

Command parseExecString(TokenCursor& cursor) {
    std::size_t open = cursor.position();
    cursor.expectSymbol("(");
    int depth = 1;
    std::size_t close = open;
    for (std::size_t i = open + 1; i < cursor.end(); ++i) {
        const Token& token = cursor.tokens()[i];
        if (token.isSymbol("("))
            ++depth;
        else if (token.isSymbol(")") && --depth == 0) {
            close = i;
            break;
        }
    }
    if (close == open || close == open + 1)
        throw cursor.unexpected();
    ExecString exec;
    exec.expression = cursor.textOf(open + 1, close);
    cursor.seek(close + 1);
    if (cursor.accept("as")) // EXEC (...) AS USER / LOGIN
        throw messages::notSupported("EXECUTE AS");
    cursor.expectEnd();
    return Command{exec, 1};
}

Command parseExecuteSql(TokenCursor& cursor) {
    std::vector<std::pair<std::string, SqlValue>> arguments;
    while (!cursor.atEnd()) {
        if (!arguments.empty())
            cursor.expectSymbol(",");
        std::string name;
        if (isLocalVariable(cursor.peek()) && cursor.hasAhead(1) && cursor.peek(1).isSymbol("=")) {
            name = cursor.next().text;
            cursor.next();
        }
        const Token& token = cursor.next();
        if (token.isString())
            arguments.emplace_back(name, SqlValue::string(token.value));
        else if (token.kind == TokenKind::Number)
            arguments.emplace_back(name, SqlValue::numeric(token.text));
        else if (token.isSymbol("-") && !cursor.atEnd() && cursor.peek().kind == TokenKind::Number)
            arguments.emplace_back(name, SqlValue::numeric("-" + cursor.next().text));
        else if (token.is("null"))
            arguments.emplace_back(name, SqlValue::null());
        else
            throw TokenCursor::unexpected(token);
        if (cursor.accept("output") || cursor.accept("out"))
            throw messages::notSupported("OUTPUT parameters of sp_executesql");
    }
    auto take = [&](std::string_view parameter) -> std::optional<SqlValue> {
        if (arguments.empty() ||
            !(arguments.front().first.empty() || namesEqual(arguments.front().first, parameter)))
            return std::nullopt;
        SqlValue value = arguments.front().second;
        arguments.erase(arguments.begin());
        return value;
    };
    std::optional<SqlValue> statement = take("@stmt");
    if (!statement)
        throw messages::procedureArguments("sp_executesql", "@stmt");
    ExecString exec;
    exec.expression = tsqlLiteral(*statement);
    if (std::optional<SqlValue> parameters = take("@params"))
        exec.parameters = parameters->text.value_or("");
    exec.arguments = std::move(arguments);
    return Command{exec, 1};
}

bool namesVariable(const TokenCursor& cursor) {
    for (std::size_t i = cursor.position(); i < cursor.end(); ++i) {
        const Token& token = cursor.tokens()[i];
        bool parameterName = i + 1 < cursor.end() && cursor.tokens()[i + 1].isSymbol("=");
        if (isLocalVariable(token) && !parameterName)
            return true;
    }
    return false;
}

} // namespace testserver
