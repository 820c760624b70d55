#include "testserver/engine/command_parser.h"

#include "testserver/engine/cursor_statement_parser.h"
#include "testserver/engine/lexer.h"
#include "testserver/engine/name_collation.h"
#include "testserver/engine/row_statement_parser.h"
#include "testserver/engine/sql_value.h"
#include "testserver/engine/statement_splitter.h"
#include "testserver/engine/variable_scope.h"
#include "testserver/engine/variable_statement_parser.h"

#include <array>
#include <charconv>
#include <cstdio>
#include <optional>

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
constexpr std::array<std::string_view, 6> kUnsupportedStatements{"dbcc",   "waitfor", "goto",
                                                                 "backup", "restore", "truncate"};

// RAISERROR's message text with its arguments in place of the printf-style
// fields (%s, %d, %i, %u, %o, %x, %X with flags, width and precision).
std::string formatMessage(std::string_view text, const std::vector<std::string>& arguments) {
    std::string out;
    std::size_t next = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%' || i + 1 >= text.size()) {
            out += text[i];
            continue;
        }
        if (text[i + 1] == '%') {
            out += '%';
            ++i;
            continue;
        }
        std::size_t j = i + 1;
        bool left = false;
        bool zero = false;
        for (; j < text.size() && std::string_view("-+ 0#").find(text[j]) != std::string::npos;
             ++j) {
            left = left || text[j] == '-';
            zero = zero || text[j] == '0';
        }
        std::size_t width = 0;
        for (; j < text.size() && text[j] >= '0' && text[j] <= '9'; ++j)
            width = width * 10 + static_cast<std::size_t>(text[j] - '0');
        std::optional<std::size_t> precision;
        if (j < text.size() && text[j] == '.') {
            precision = 0;
            for (++j; j < text.size() && text[j] >= '0' && text[j] <= '9'; ++j)
                *precision = *precision * 10 + static_cast<std::size_t>(text[j] - '0');
        }
        if (j < text.size() && (text[j] == 'h' || text[j] == 'l'))
            ++j;
        if (j >= text.size() || std::string_view("disuoxX").find(text[j]) == std::string::npos) {
            out += text[i];
            continue;
        }
        std::string value = next < arguments.size() ? arguments[next] : "(null)";
        ++next;
        char type = text[j];
        if (type != 's' && next <= arguments.size()) {
            long long number = 0;
            std::from_chars(value.data(), value.data() + value.size(), number);
            char buffer[32];
            const char* format = type == 'o'   ? "%llo"
                                 : type == 'x' ? "%llx"
                                 : type == 'X' ? "%llX"
                                               : "%lld";
            std::snprintf(buffer, sizeof buffer, format, number);
            value = buffer;
        } else if (precision && value.size() > *precision) {
            value.resize(*precision);
        }
        if (value.size() < width) {
            std::string pad(width - value.size(), zero && !left && type != 's' ? '0' : ' ');
            value = left ? value + std::string(pad.size(), ' ') : pad + value;
        }
        out += value;
        i = j;
    }
    return out;
}

std::string asciiUpper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

class BatchParser {
public:
    BatchParser(std::string_view batch, const std::vector<std::string>& declared)
        : m_batch(batch), m_tokens(tokenize(batch)), m_declared(declared) {}

    std::vector<Command> run() {
        std::vector<Command> commands;
        checkDeclaredVariables(m_tokens, m_declared);
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
        if (first.is("select")) {
            if (std::optional<Command> assign = parseSelectAssign(cursor))
                return *assign;
            int line = first.line;
            cursor.seek(cursor.end()); // SQLite parses the rest
            return Command{Select{text}, line};
        }
        if (first.is("set") && cursor.hasAhead(1) && isLocalVariable(cursor.peek(1)))
            return parseSetVariable(cursor);
        if (first.is("declare"))
            return declaresCursor(cursor) ? parseDeclareCursor(cursor) : parseDeclare(cursor);
        if (first.is("open") || first.is("close") || first.is("deallocate"))
            return parseCursorStatement(cursor);
        if (first.is("fetch"))
            return parseFetch(cursor);
        if (first.is("while"))
            return parseWhile(cursor);
        if (first.is("break") || first.is("continue") || first.is("return"))
            return parseFlowControl(cursor);
        if (first.is("use"))
            return parseUse(cursor);
        if (first.is("set"))
            return parseSet(cursor);
        if (first.is("exec") || first.is("execute")) {
            cursor.next();
            if (!cursor.atEnd() && cursor.peek().isSymbol("("))
                return parseExecString(cursor);
            return parseExec(cursor);
        }
        if (startsBlock(m_tokens, cursor.position(), cursor.end()))
            return parseBlock(cursor);
        if (first.is("begin") || first.is("commit") || first.is("rollback") || first.is("save"))
            return parseTransaction(cursor);
        if (first.is("print"))
            return parsePrint(cursor);
        if (first.is("raiserror")) {
            if (namesVariable(cursor)) {
                cursor.seek(cursor.end());
                return Command{WithVariables{text, std::nullopt}, 1};
            }
            return parseRaiseError(cursor);
        }
        if (first.is("if"))
            return parseIf(cursor);
        if (first.is("checkpoint") || first.is("setuser") ||
            (first.is("update") && cursor.hasAhead(1) && cursor.peek(1).is("statistics")) ||
            first.is("grant") || first.is("revoke") || first.is("deny"))
            return parseNoCatalogChange(cursor);
        if (first.is("create") || first.is("alter") || first.is("drop")) {
            const Token& second = cursor.peek(1);
            if (second.is("database"))
                return parseDatabaseStatement(cursor);
            if (second.is("table") && !first.is("drop"))
                return parseTableStatement(cursor);
            return parseObjectStatement(cursor, text, firstInBatch);
        }
        if (firstInBatch && first.isName() && !isReservedKeyword(first.text))
            return parseExec(cursor); // a batch may begin with a bare procedure call
        for (std::string_view statement : kUnsupportedStatements)
            if (first.is(statement))
                throw messages::notSupported(asciiUpper(first.text) + " statements");
        if (first.is("insert") || first.is("update") || first.is("delete"))
            return parseRowStatement(cursor);
        throw cursor.unexpected();
    }

    // WHILE condition statement
    Command parseWhile(TokenCursor& cursor) {
        cursor.expect("while");
        std::size_t conditionBegin = cursor.position();
        std::size_t bodyBegin = findStatementStart(cursor, conditionBegin);
        if (bodyBegin == conditionBegin || bodyBegin >= cursor.end())
            throw cursor.unexpected();
        WhileLoop loop;
        loop.condition = cursor.textOf(conditionBegin, bodyBegin);
        ++m_loopDepth;
        loop.body = std::make_shared<Command>(parseRange(cursor, bodyBegin, cursor.end()));
        --m_loopDepth;
        cursor.seek(cursor.end());
        return Command{loop, 1};
    }

    // BREAK and CONTINUE inside a WHILE; RETURN ends the batch.
    Command parseFlowControl(TokenCursor& cursor) {
        const Token& verb = cursor.next();
        FlowControl flow;
        if (verb.is("return")) {
            if (!cursor.atEnd())
                throw ServerError(messages::make(178, 15,
                                                 "A RETURN statement with a return value cannot "
                                                 "be used in this context."),
                                  true);
            flow.kind = FlowControl::Kind::Return;
        } else {
            if (m_loopDepth == 0)
                throw messages::notSupported(asciiUpper(verb.text) + " outside a WHILE loop");
            flow.kind = verb.is("break") ? FlowControl::Kind::Break : FlowControl::Kind::Continue;
        }
        cursor.expectEnd();
        return Command{flow, 1};
    }

    Command parseBlock(TokenCursor& cursor) {
        std::size_t begin = cursor.position();
        std::size_t end = blockEnd(m_tokens, begin, cursor.end());
        if (end > cursor.end() || !m_tokens[end - 1].is("end") || end - 1 == begin)
            throw cursor.atEnd() ? cursor.unexpected() : TokenCursor::unexpected(m_tokens[end - 1]);
        Block block;
        for (const StatementSpan& span : splitStatements(m_batch, m_tokens, begin + 1, end - 1)) {
            TokenCursor inner(m_batch, m_tokens, span.begin, span.end);
            Command command = parseStatement(inner, span.text, false);
            if (!inner.atEnd())
                throw inner.unexpected();
            command.line = span.line;
            block.statements.push_back(std::make_shared<Command>(std::move(command)));
        }
        cursor.seek(end);
        return Command{block, 1};
    }

    // CHECKPOINT, UPDATE STATISTICS, GRANT/REVOKE/DENY and SETUSER change no
    // catalog that the test server keeps; they are accepted when the objects
    // they name exist.
    Command parseNoCatalogChange(TokenCursor& cursor) {
        NoCatalogChange statement;
        const Token& verb = cursor.next();
        if (verb.is("checkpoint")) {
            statement.statement = "CHECKPOINT";
        } else if (verb.is("setuser")) {
            statement.statement = "SETUSER";
            if (!cursor.atEnd()) {
                const Token& user = cursor.next();
                if (!namesEqual(user.value, "dbo"))
                    throw messages::notSupported("SETUSER to a user other than dbo");
                if (cursor.accept("with")) {
                    cursor.expect("noreset");
                }
            }
        } else if (verb.is("update")) {
            cursor.expect("statistics");
            statement.statement = "UPDATE STATISTICS";
            statement.objects.push_back(cursor.qualifiedName().objectName());
            while (!cursor.atEnd())
                cursor.next(); // index or statistics names, WITH FULLSCAN, ...
        } else {
            statement.statement = asciiUpper(verb.text);
            permission(cursor, verb, statement);
        }
        cursor.expectEnd();
        return Command{statement, 1};
    }

    // GRANT|REVOKE|DENY permissions [ON object [(columns)]] TO|FROM principals
    // [WITH GRANT OPTION] [CASCADE] [AS role]
    void permission(TokenCursor& cursor, const Token& verb, NoCatalogChange& statement) {
        if (verb.is("revoke") && cursor.accept("grant")) {
            cursor.expect("option");
            cursor.expect("for");
        }
        std::size_t words = 0;
        while (!cursor.atEnd() && !cursor.peek().is("on") && !cursor.peek().is("to") &&
               !cursor.peek().is("from")) {
            const Token& word = cursor.next();
            if (!word.isWord() && !word.isSymbol(",") && !word.isSymbol("(") && !word.isSymbol(")"))
                throw TokenCursor::unexpected(word);
            ++words;
        }
        if (words == 0)
            throw cursor.unexpected();
        if (cursor.accept("on")) {
            statement.objects.push_back(cursor.qualifiedName().objectName());
            if (cursor.acceptSymbol("(")) {
                do {
                    cursor.name();
                } while (cursor.acceptSymbol(","));
                cursor.expectSymbol(")");
            }
        }
        if (!cursor.accept("to"))
            cursor.expect("from");
        do {
            const Token& who = cursor.next(); // public is a keyword, yet a name here
            if (!who.isName())
                throw TokenCursor::unexpected(who);
            statement.principals.push_back(who.value.empty() ? who.text : who.value);
        } while (cursor.acceptSymbol(","));
        if (cursor.accept("with")) {
            cursor.expect("grant");
            cursor.expect("option");
        }
        cursor.accept("cascade");
        if (cursor.accept("as"))
            cursor.name();
    }

    // An argument written NULL (as `nullText`) or as a negative number, as
    // values put in for variables are; nothing for another argument.
    static std::optional<std::string> nullOrNegative(TokenCursor& cursor, const char* nullText) {
        if (cursor.accept("null"))
            return std::string(nullText);
        if (cursor.peek().isSymbol("-") && cursor.hasAhead(1) &&
            cursor.peek(1).kind == TokenKind::Number) {
            cursor.next();
            return "-" + cursor.next().text;
        }
        return std::nullopt;
    }

    // RAISERROR ({'text' | number}, severity, state [, argument ...]) [WITH option, ...]
    Command parseRaiseError(TokenCursor& cursor) {
        cursor.expect("raiserror");
        cursor.expectSymbol("(");
        const Token& message = cursor.next();
        if (message.kind == TokenKind::Number)
            throw messages::notSupported("RAISERROR with a message number (sysmessages)");
        if (!message.isString())
            throw TokenCursor::unexpected(message);
        RaiseError raise;
        cursor.expectSymbol(",");
        raise.severity = static_cast<int>(cursor.integer());
        cursor.expectSymbol(",");
        raise.state = static_cast<int>(cursor.integer());
        std::vector<std::string> arguments;
        while (cursor.acceptSymbol(",")) {
            if (std::optional<std::string> value = nullOrNegative(cursor, "(null)")) {
                arguments.push_back(*value);
                continue;
            }
            const Token& argument = cursor.next();
            if (!argument.isString() && argument.kind != TokenKind::Number)
                throw TokenCursor::unexpected(argument);
            arguments.push_back(argument.value.empty() && !argument.isString() ? argument.text
                                                                               : argument.value);
        }
        cursor.expectSymbol(")");
        if (cursor.accept("with")) {
            do {
                if (!cursor.accept("log") && !cursor.accept("nowait"))
                    cursor.expect("seterror");
            } while (cursor.acceptSymbol(","));
        }
        cursor.expectEnd();
        if (raise.severity < 0 || raise.severity > 25)
            throw ServerError(messages::make(2754, 16,
                                             "Error severity levels greater than 18 can only be "
                                             "specified by members of the sysadmin role, using the "
                                             "WITH LOG option."));
        raise.text = formatMessage(message.value, arguments);
        return Command{raise, 1};
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
        if (option.is("identity_insert"))
            return parseSetIdentityInsert(cursor);
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
        std::optional<std::string> returnVariable;
        if (!cursor.atEnd() && isLocalVariable(cursor.peek()) && cursor.hasAhead(1) &&
            cursor.peek(1).isSymbol("=")) {
            returnVariable = cursor.next().text;
            cursor.next();
        }
        if (returnVariable || namesVariable(cursor)) {
            if (cursor.atEnd())
                throw cursor.unexpected();
            WithVariables statement{"EXEC " + cursor.textOf(cursor.position(), cursor.end()),
                                    returnVariable};
            cursor.seek(cursor.end());
            return Command{statement, 1};
        }
        QualifiedName procedure = cursor.qualifiedName();
        if (namesEqual(procedure.last(), "sp_executesql"))
            return parseExecuteSql(cursor);
        if (isCatalogProcedure(procedure.last()))
            return parseCatalogProcedure(procedure.last(), cursor);
        if (isServerProcedure(procedure.last()))
            return parseServerProcedure(cursor, procedure.last());
        std::vector<std::string> arguments;
        while (!cursor.atEnd()) {
            if (!arguments.empty())
                cursor.expectSymbol(",");
            if (cursor.peek().isWord() && cursor.peek().text.front() == '@') {
                cursor.next();
                cursor.expectSymbol("=");
            }
            if (std::optional<std::string> value = nullOrNegative(cursor, "")) {
                arguments.push_back(*value);
                continue;
            }
            const Token& argument = cursor.next();
            if (argument.isString() || argument.kind == TokenKind::QuotedName ||
                argument.kind == TokenKind::Number ||
                (argument.isWord() && !isReservedKeyword(argument.text)))
                arguments.push_back(argument.value);
            else
                throw TokenCursor::unexpected(argument);
        }
        if (namesEqual(procedure.last(), "sp_addtype"))
            return addType(arguments);
        if (namesEqual(procedure.last(), "sp_droptype")) {
            if (arguments.size() != 1)
                throw messages::procedureArguments("sp_droptype", "@typename");
            return Command{DropType{arguments.front()}, 1};
        }
        for (std::string_view bind : {"sp_bindefault", "sp_bindrule"})
            if (namesEqual(procedure.last(), bind)) {
                if (arguments.size() < 2 || arguments.size() > 3)
                    throw messages::procedureArguments(procedure.last(),
                                                       arguments.empty() ? "@defname" : "@objname");
                return Command{BindObject{bind == "sp_bindrule", false, arguments[0], arguments[1]},
                               1};
            }
        for (std::string_view unbind : {"sp_unbindefault", "sp_unbindrule"})
            if (namesEqual(procedure.last(), unbind)) {
                if (arguments.empty() || arguments.size() > 2)
                    throw messages::procedureArguments(procedure.last(), "@objname");
                return Command{BindObject{unbind == "sp_unbindrule", true, "", arguments[0]}, 1};
            }
        if (namesEqual(procedure.last(), "sp_dboption"))
            return databaseOption(arguments);
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

    // sp_dboption database, 'option', 'true' | 'false'. The option may be
    // given by a part of its name that is unique.
    static Command databaseOption(const std::vector<std::string>& arguments) {
        static constexpr std::string_view kOptions[] = {"ANSI null default",
                                                        "ANSI nulls",
                                                        "ANSI padding",
                                                        "ANSI warnings",
                                                        "arithabort",
                                                        "auto create statistics",
                                                        "auto update statistics",
                                                        "autoclose",
                                                        "autoshrink",
                                                        "concat null yields null",
                                                        "cursor close on commit",
                                                        "db chaining",
                                                        "dbo use only",
                                                        "default to local cursor",
                                                        "merge publish",
                                                        "numeric roundabort",
                                                        "offline",
                                                        "published",
                                                        "quoted identifier",
                                                        "read only",
                                                        "recursive triggers",
                                                        "select into/bulkcopy",
                                                        "single user",
                                                        "subscribed",
                                                        "torn page detection",
                                                        "trunc. log on chkpt."};
        if (arguments.size() != 3)
            throw messages::notSupported("sp_dboption other than setting one option");
        DatabaseOption option;
        option.database = arguments[0];
        std::string wanted = asciiLower(arguments[1]);
        std::vector<std::string_view> matches;
        for (std::string_view candidate : kOptions) {
            std::string name = asciiLower(candidate);
            if (name == wanted) {
                matches = {candidate};
                break;
            }
            // Any unique part of the name: Enterprise Manager writes
            // 'bulkcopy', 'trunc. log', 'dbo use' and 'single'.
            if (!wanted.empty() && name.find(wanted) != std::string::npos)
                matches.push_back(candidate);
        }
        if (matches.size() != 1)
            throw ServerError(messages::make(15011, 16,
                                             "Database option '" + arguments[1] +
                                                 "' does not exist. Specify a valid database "
                                                 "option."));
        option.option = std::string(matches.front());
        std::string value = asciiLower(arguments[2]);
        if (value != "true" && value != "false" && value != "on" && value != "off")
            throw ServerError(messages::make(
                15241, 16, "Usage: sp_dboption [dbname [,optname [,'true' | 'false']]]"));
        option.on = value == "true" || value == "on";
        return Command{option, 1};
    }

    // sp_addtype name, 'type[(n[, s])]' [, 'NULL' | 'NOT NULL' | 'NONULL'] [, owner]
    static Command addType(const std::vector<std::string>& arguments) {
        if (arguments.size() < 2)
            throw messages::procedureArguments("sp_addtype",
                                               arguments.empty() ? "@typename" : "@phystype");
        AddType add;
        add.name = arguments[0];
        std::vector<Token> tokens = tokenize(arguments[1]);
        TokenCursor cursor(arguments[1], tokens, 0, tokens.size());
        add.base.name = cursor.name();
        if (cursor.acceptSymbol("(")) {
            add.base.first = static_cast<int>(cursor.integer());
            if (cursor.acceptSymbol(","))
                add.base.second = static_cast<int>(cursor.integer());
            cursor.expectSymbol(")");
        }
        cursor.expectEnd();
        if (arguments.size() > 2 && !arguments[2].empty()) { // NULL: the default
            std::string nulls = asciiLower(arguments[2]);
            std::erase(nulls, ' ');
            if (nulls == "null")
                add.nullable = true;
            else if (nulls == "notnull" || nulls == "nonull")
                add.nullable = false;
            else
                throw ServerError(messages::make(
                    15040, 16,
                    "User-defined data types nullability must be 'NULL' or 'NOT NULL'."));
        }
        if (arguments.size() > 3 && !namesEqual(arguments[3], "dbo"))
            throw messages::notSupported("types owned by a user other than dbo");
        return Command{add, 1};
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

    // PRINT expression
    Command parsePrint(TokenCursor& cursor) {
        cursor.expect("print");
        if (cursor.atEnd())
            throw cursor.unexpected();
        Print print{cursor.textOf(cursor.position(), cursor.end())};
        cursor.seek(cursor.end());
        return Command{print, 1};
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
                      token.is("begin") || token.is("set") || token.is("use") ||
                      token.is("raiserror") || token.is("checkpoint") || token.is("if") ||
                      token.is("grant") || token.is("revoke") || token.is("deny") ||
                      token.is("update") || token.is("insert") || token.is("delete") ||
                      token.is("declare") || token.is("setuser") || token.is("while") ||
                      token.is("break") || token.is("continue") || token.is("return") ||
                      token.is("open") || token.is("close") || token.is("fetch") ||
                      token.is("deallocate")))
                return i;
        }
        return cursor.end();
    }

    std::size_t findElse(const TokenCursor& cursor, std::size_t from) const {
        int depth = 0;
        int caseDepth = 0;
        for (std::size_t i = from; i < cursor.end(); ++i) {
            const Token& token = m_tokens[i];
            if (depth == 0 && caseDepth == 0 && startsBlock(m_tokens, i, cursor.end())) {
                i = blockEnd(m_tokens, i, cursor.end()) - 1;
                continue;
            }
            if (depth == 0 && caseDepth == 0 && token.is("if"))
                return cursor.end(); // a nested IF takes the ELSE that follows
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
    const std::vector<std::string>& m_declared;
    int m_loopDepth = 0; // WHILE loops around the statement being parsed
};

} // namespace

std::vector<Command> parseBatch(std::string_view batch, const std::vector<std::string>& declared) {
    return BatchParser(batch, declared).run();
}

} // namespace testserver
