#include "command_parser.h"

#include "lexer.h"
#include "name_collation.h"
#include "statement_splitter.h"

#include <array>

namespace testserver {

namespace {

// SET options a client may send; their values are accepted and, apart from
// NOCOUNT, FMTONLY and TEXTSIZE, have no effect on what the engine answers.
constexpr std::array<std::string_view, 29> kSetOptions{"ansi_defaults",
                                                       "ansi_null_dflt_off",
                                                       "ansi_null_dflt_on",
                                                       "ansi_nulls",
                                                       "ansi_padding",
                                                       "ansi_warnings",
                                                       "arithabort",
                                                       "arithignore",
                                                       "concat_null_yields_null",
                                                       "cursor_close_on_commit",
                                                       "datefirst",
                                                       "dateformat",
                                                       "deadlock_priority",
                                                       "fmtonly",
                                                       "forceplan",
                                                       "implicit_transactions",
                                                       "language",
                                                       "lock_timeout",
                                                       "nocount",
                                                       "noexec",
                                                       "numeric_roundabort",
                                                       "parseonly",
                                                       "quoted_identifier",
                                                       "remote_proc_transactions",
                                                       "rowcount",
                                                       "textsize",
                                                       "xact_abort",
                                                       "transaction",
                                                       "query_governor_cost_limit"};

bool isSetOption(std::string_view word) {
    std::string lower = asciiLower(word);
    for (std::string_view option : kSetOptions)
        if (option == lower)
            return true;
    return false;
}

// Statements SQL Server runs that the engine does not: refused as such
// rather than as syntax errors.
constexpr std::array<std::string_view, 17> kUnsupportedStatements{
    "insert",   "update", "delete",    "declare", "while", "return",     "grant",  "revoke", "deny",
    "truncate", "dbcc",   "raiserror", "waitfor", "goto",  "checkpoint", "backup", "restore"};

std::string asciiUpper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

class BatchParser {
public:
    explicit BatchParser(std::string_view batch) : m_batch(batch), m_tokens(tokenize(batch)) {}

    std::vector<Command> run() {
        std::vector<Command> commands;
        std::vector<StatementSpan> spans = splitStatements(m_batch, m_tokens);
        for (std::size_t i = 0; i < spans.size(); ++i) {
            try {
                commands.push_back(parse(spans[i], i == 0));
            } catch (ServerError& error) {
                std::vector<ServerMessage> located = error.messages();
                for (ServerMessage& message : located)
                    message.line = spans[i].line;
                throw ServerError(std::move(located), true);
            }
        }
        return commands;
    }

private:
    Command parse(const StatementSpan& span, bool firstInBatch) {
        TokenCursor cursor(m_batch, m_tokens, span.begin, span.end);
        Command command = parseStatement(cursor, span.text, firstInBatch);
        command.line = span.line;
        return command;
    }

    Command parseStatement(TokenCursor& cursor, const std::string& text, bool firstInBatch) {
        const Token& first = cursor.peek();
        if (first.is("select"))
            return Command{Select{text}, first.line};
        if (first.is("use"))
            return parseUse(cursor);
        if (first.is("set"))
            return parseSet(cursor);
        if (first.is("exec") || first.is("execute")) {
            cursor.next();
            return parseExec(cursor);
        }
        if (first.is("begin") || first.is("commit") || first.is("rollback") || first.is("save"))
            return parseTransaction(cursor);
        if (first.is("print"))
            return parsePrint(cursor);
        if (first.is("if"))
            return parseIf(cursor);
        if (first.is("create") || first.is("alter") || first.is("drop")) {
            const Token& second = cursor.peek(1);
            if (second.is("table") && !first.is("drop"))
                return parseTableStatement(cursor);
            return parseObjectStatement(cursor, text, firstInBatch);
        }
        if (firstInBatch && first.isName() && !isReservedKeyword(first.text))
            return parseExec(cursor); // a batch may begin with a bare procedure call
        for (std::string_view statement : kUnsupportedStatements)
            if (first.is(statement))
                throw messages::notSupported(asciiUpper(first.text) + " statements");
        throw cursor.unexpected();
    }

    Command parseUse(TokenCursor& cursor) {
        cursor.expect("use");
        Use use{cursor.name()};
        cursor.expectEnd();
        return Command{use, 1};
    }

    Command parseSet(TokenCursor& cursor) {
        cursor.expect("set");
        const Token& option = cursor.next();
        if (!option.isWord() || option.text.front() == '@') {
            if (option.isWord())
                throw ServerError(
                    messages::make(137, 15, "Must declare the variable '" + option.text + "'."),
                    true);
            throw TokenCursor::unexpected(option);
        }
        if (option.is("transaction")) {
            // SET TRANSACTION ISOLATION LEVEL ...: accepted, the engine has one level.
            while (!cursor.atEnd())
                cursor.next();
            return Command{SetOption{"transaction", ""}, 1};
        }
        if (!isSetOption(option.text))
            throw ServerError(
                messages::make(195, 15,
                               "'" + option.text + "' is not a recognized SET statement option."),
                true);
        // SET a, b ON lists several options sharing one value.
        while (cursor.acceptSymbol(",")) {
            const Token& more = cursor.next();
            if (!more.isWord() || !isSetOption(more.text))
                throw TokenCursor::unexpected(more);
        }
        std::string value;
        if (!cursor.atEnd()) {
            const Token& token = cursor.next();
            value =
                asciiLower(token.kind == TokenKind::Symbol && token.text == "-" && !cursor.atEnd()
                               ? "-" + cursor.next().text
                               : token.value);
        }
        if (!cursor.atEnd() && !option.is("dateformat") && !option.is("language"))
            throw cursor.unexpected();
        while (!cursor.atEnd())
            cursor.next();
        return Command{SetOption{asciiLower(option.text), value}, 1};
    }

    Command parseExec(TokenCursor& cursor) {
        if (!cursor.atEnd() && cursor.peek().isWord() && cursor.peek().text.front() == '@' &&
            cursor.hasAhead(1) && cursor.peek(1).isSymbol("="))
            throw ServerError(
                messages::make(137, 15, "Must declare the variable '" + cursor.peek().text + "'."),
                true);
        QualifiedName procedure = cursor.qualifiedName();
        std::vector<std::string> arguments;
        while (!cursor.atEnd()) {
            if (!arguments.empty())
                cursor.expectSymbol(",");
            if (cursor.peek().isWord() && cursor.peek().text.front() == '@') {
                cursor.next();
                cursor.expectSymbol("=");
            }
            const Token& argument = cursor.next();
            if (argument.isString() || argument.kind == TokenKind::QuotedName ||
                argument.kind == TokenKind::Number ||
                (argument.isWord() && !isReservedKeyword(argument.text)))
                arguments.push_back(argument.value);
            else
                throw TokenCursor::unexpected(argument);
        }
        if (namesEqual(procedure.last(), "sp_helptext")) {
            if (arguments.empty())
                throw ServerError(messages::make(201, 16,
                                                 "Procedure 'sp_helptext' expects parameter "
                                                 "'@objname', which was not supplied.",
                                                 4));
            if (arguments.size() > 1)
                throw messages::notSupported("the @columnname parameter of sp_helptext");
            return Command{HelpText{arguments.front()}, 1};
        }
        return Command{ExecProcedure{procedure.last()}, 1};
    }

    Command parseTransaction(TokenCursor& cursor) {
        const Token& verb = cursor.next();
        if (verb.is("save"))
            throw messages::notSupported("SAVE TRANSACTION");
        TransactionControl control;
        if (verb.is("begin")) {
            cursor.accept("distributed");
            if (!cursor.accept("tran") && !cursor.accept("transaction"))
                throw cursor.atEnd() ? cursor.unexpected()
                                     : messages::notSupported("BEGIN ... END blocks");
            control.kind = TransactionControl::Kind::Begin;
        } else {
            control.kind = verb.is("commit") ? TransactionControl::Kind::Commit
                                             : TransactionControl::Kind::Rollback;
            if (!cursor.accept("tran") && !cursor.accept("transaction"))
                cursor.accept("work");
        }
        if (!cursor.atEnd())
            cursor.name(); // a transaction name
        cursor.expectEnd();
        return Command{control, 1};
    }

    Command parsePrint(TokenCursor& cursor) {
        cursor.expect("print");
        const Token& value = cursor.next();
        if (!value.isString() && value.kind != TokenKind::Number)
            throw messages::notSupported("PRINT of an expression");
        cursor.expectEnd();
        return Command{Print{value.value}, 1};
    }

    Command parseIf(TokenCursor& cursor) {
        cursor.expect("if");
        std::size_t conditionBegin = cursor.position();
        std::size_t thenBegin = findStatementStart(cursor, conditionBegin);
        if (thenBegin == conditionBegin || thenBegin >= cursor.end())
            throw cursor.unexpected();
        std::size_t elseAt = findElse(cursor, thenBegin);
        IfStatement statement;
        statement.condition = cursor.textOf(conditionBegin, thenBegin);
        statement.then = std::make_shared<Command>(parseRange(cursor, thenBegin, elseAt));
        if (elseAt < cursor.end())
            statement.otherwise =
                std::make_shared<Command>(parseRange(cursor, elseAt + 1, cursor.end()));
        cursor.seek(cursor.end());
        return Command{statement, 1};
    }

    Command parseRange(const TokenCursor& outer, std::size_t begin, std::size_t end) {
        std::size_t last = end;
        while (last > begin && m_tokens[last - 1].isSymbol(";"))
            --last;
        if (last == begin)
            throw outer.unexpected();
        TokenCursor inner(m_batch, m_tokens, begin, last);
        std::string text = inner.textOf(begin, last);
        Command command = parseStatement(inner, text, false);
        if (!inner.atEnd())
            throw inner.unexpected();
        return command;
    }

    // The first token of the statement that an IF condition governs.
    std::size_t findStatementStart(const TokenCursor& cursor, std::size_t from) const {
        int depth = 0;
        for (std::size_t i = from; i < cursor.end(); ++i) {
            const Token& token = m_tokens[i];
            if (token.isSymbol("("))
                ++depth;
            else if (token.isSymbol(")"))
                --depth;
            else if (depth == 0 && i > from &&
                     (token.is("select") || token.is("drop") || token.is("create") ||
                      token.is("alter") || token.is("exec") || token.is("execute") ||
                      token.is("print") || token.is("commit") || token.is("rollback") ||
                      token.is("begin") || token.is("set") || token.is("use")))
                return i;
        }
        return cursor.end();
    }

    std::size_t findElse(const TokenCursor& cursor, std::size_t from) const {
        int depth = 0;
        int caseDepth = 0;
        for (std::size_t i = from; i < cursor.end(); ++i) {
            const Token& token = m_tokens[i];
            if (token.isSymbol("("))
                ++depth;
            else if (token.isSymbol(")"))
                --depth;
            else if (depth == 0 && token.is("case"))
                ++caseDepth;
            else if (depth == 0 && token.is("end") && caseDepth > 0)
                --caseDepth;
            else if (depth == 0 && caseDepth == 0 && token.is("else"))
                return i;
        }
        return cursor.end();
    }

    std::string_view m_batch;
    std::vector<Token> m_tokens;
};

} // namespace

std::vector<Command> parseBatch(std::string_view batch) {
    return BatchParser(batch).run();
}

} // namespace testserver
