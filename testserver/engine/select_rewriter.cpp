#include "testserver/engine/select_rewriter.h"

#include "testserver/engine/extended_property_listing.h"

#include "testserver/engine/catalog_db.h"
#include "testserver/engine/expression_rewriter.h"
#include "testserver/engine/lexer.h"
#include "testserver/engine/name_collation.h"
#include "testserver/engine/server_error.h"
#include "testserver/engine/sql_function_support.h"
#include "testserver/engine/token_cursor.h"

namespace testserver {

std::string sqliteString(std::string_view value) {
    std::string out = "'";
    for (char c : value) {
        out.push_back(c);
        if (c == '\'')
            out.push_back('\'');
    }
    return out + "'";
}

namespace {

std::string sqliteName(std::string_view value) {
    std::string out = "\"";
    for (char c : value) {
        out.push_back(c);
        if (c == '"')
            out.push_back('"');
    }
    return out + "\"";
}

std::string globalVariable(const Token& token, const SessionVariables& variables) {
    std::string name = asciiLower(token.text);
    if (name == "@@version")
        return sqliteString(variables.version->versionText);
    if (name == "@@spid")
        return std::to_string(variables.spid);
    if (name == "@@trancount")
        return std::to_string(variables.trancount);
    if (name == "@@servername")
        return sqliteString(kServerName);
    if (name == "@@servicename")
        return sqliteString("MSSQLSERVER");
    if (name == "@@language")
        return sqliteString("us_english");
    if (name == "@@langid" || name == "@@procid" || name == "@@nestlevel")
        return "0";
    if (name == "@@fetch_status")
        return std::to_string(variables.fetchStatus);
    if (name == "@@cursor_rows")
        return std::to_string(variables.cursorRows);
    if (name == "@@max_precision")
        return "38";
    if (name == "@@datefirst")
        return "7";
    if (name == "@@textsize")
        return std::to_string(variables.textsize);
    if (name == "@@rowcount")
        return std::to_string(variables.rowcount);
    if (name == "@@error")
        return std::to_string(variables.error);
    if (name == "@@identity")
        return "NULL";
    if (name == "@@options")
        return "5176";
    if (name == "@@lock_timeout")
        return "-1";
    if (name == "@@max_connections")
        return "32767";
    if (name == "@@microsoftversion")
        return std::to_string(variables.version->microsoftVersion);
    throw ServerError(messages::make(137, 15, "Must declare the variable '" + token.text + "'."),
                      true);
}

bool isOwner(const Token& token) {
    return token.isName() && namesEqual(token.value, "dbo");
}

} // namespace

std::string rewriteForSqlite(std::string_view tsql, const SessionVariables& variables) {
    std::string expressions = rewriteExpressions(tsql);
    std::string_view sql = expressions;
    std::vector<Token> tokens = tokenize(sql);
    std::string out;
    std::size_t copied = 0;
    std::string limit;
    bool firstSelectSeen = false;
    int depth = 0;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const Token& token = tokens[i];
        out.append(sql.substr(copied, token.offset - copied));
        copied = token.end();
        auto at = [&](std::size_t k) -> const Token* {
            return k < tokens.size() ? &tokens[k] : nullptr;
        };
        bool afterDot = i > 0 && tokens[i - 1].isSymbol(".");
        if (token.isSymbol("("))
            ++depth;
        else if (token.isSymbol(")"))
            --depth;

        std::size_t callEnd = 0;
        std::size_t nameAt =
            token.isSymbol(":") && at(i + 1) && at(i + 1)->isSymbol(":") ? i + 2 : i;
        std::optional<std::string> listing;
        if (nameAt < tokens.size())
            listing = extendedPropertyListing(tokens, nameAt, callEnd,
                                              variables.version->hasCatalogViews());
        if (listing) {
            // ::fn_listextendedproperty(...) becomes a subquery.
            out += *listing;
            copied = tokens[callEnd].end();
            i = callEnd;
        } else if (token.kind == TokenKind::UnicodeString || token.kind == TokenKind::String) {
            out += sqliteString(token.value);
        } else if (token.isWord() && token.text.rfind("@@", 0) == 0) {
            out += globalVariable(token, variables);
        } else if (token.isWord() && token.text.front() == '@') {
            variables.locals.value(token.text); // 137 when not declared
            out += "tsql_var('" + token.text + "')";
        } else if (!afterDot && token.isName() && at(i + 1) && at(i + 1)->isSymbol(".") &&
                   at(i + 2) &&
                   (at(i + 2)->isSymbol(".") ||
                    (isOwner(*at(i + 2)) && at(i + 3) && at(i + 3)->isSymbol("."))) &&
                   ((namesEqual(token.value, "master") &&
                     !namesEqual(variables.database, "master")) ||
                    namesEqual(token.value, "tempdb"))) {
            // master..name or master.dbo.name from another database: the
            // session's copy of master's server tables; tempdb..name: the
            // copy of the session's temporary tables' system tables.
            std::size_t last = at(i + 2)->isSymbol(".") ? i + 2 : i + 3;
            out += namesEqual(token.value, "tempdb") ? "tempdb." : "master.";
            copied = tokens[last].end();
            i = last;
        } else if (!afterDot && token.isName() && at(i + 1) && at(i + 1)->isSymbol(".") &&
                   at(i + 2) &&
                   (at(i + 2)->isSymbol(".") ||
                    (isOwner(*at(i + 2)) && at(i + 3) && at(i + 3)->isSymbol("."))) &&
                   namesEqual(token.value, variables.database)) {
            // db..name or db.dbo.name in the current database: drop the prefix.
            std::size_t last = at(i + 2)->isSymbol(".") ? i + 2 : i + 3;
            copied = tokens[last].end();
            i = last;
        } else if (!afterDot && variables.version->hasCatalogViews() && token.isName() &&
                   namesEqual(token.value, "sys") && at(i + 1) && at(i + 1)->isSymbol(".") &&
                   at(i + 2) && at(i + 2)->isName()) {
            // sys.name: the catalog view's TEMP view (catalog_views.h).
            out += sqliteName("sys_" + at(i + 2)->value);
            copied = at(i + 2)->end();
            i += 2;
        } else if (!afterDot && isOwner(token) && at(i + 1) && at(i + 1)->isSymbol(".") &&
                   at(i + 2) && at(i + 2)->isName()) {
            copied = at(i + 1)->end(); // dbo.name: SQLite knows no owners
            ++i;
        } else if (!afterDot && token.isName() && at(i + 1) && at(i + 1)->isSymbol(".") &&
                   at(i + 2) && at(i + 2)->isName() &&
                   !(at(i + 3) && (at(i + 3)->isSymbol(".") || at(i + 3)->isSymbol("("))) &&
                   variables.isUserSchema && variables.isUserSchema(token.value)) {
            // schema.name of a schema made by CREATE SCHEMA: the table's
            // stand-in (empty_table_stand_ins.h) is named "schema.name"; it
            // is exposed under its own name when no alias is written, as in
            // SQL Server.
            const Token* next = at(i + 3);
            bool aliased =
                next && (next->is("as") || (next->isName() && !isReservedKeyword(next->text)));
            out += sqliteName(token.value + "." + at(i + 2)->value);
            if (!aliased)
                out += " AS " + sqliteName(at(i + 2)->value);
            copied = at(i + 2)->end();
            i += 2;
        } else if (token.kind == TokenKind::QuotedName) {
            out += sqliteName(token.value);
        } else if (token.is("select") && depth == 0 && !firstSelectSeen) {
            firstSelectSeen = true;
            out += token.text;
            std::size_t k = i + 1;
            if (at(k) && (at(k)->is("distinct") || at(k)->is("all")))
                ++k;
            if (at(k) && at(k)->is("top") && at(k + 1) && at(k + 1)->kind == TokenKind::Number) {
                for (; i + 1 < k; ++i) {
                    out.append(sql.substr(copied, tokens[i + 1].offset - copied));
                    out += tokens[i + 1].text;
                    copied = tokens[i + 1].end();
                }
                limit = at(k + 1)->text;
                copied = at(k + 1)->end();
                i = k + 1;
            }
        } else {
            out += token.text;
        }
    }
    out.append(sql.substr(copied));
    if (!limit.empty()) {
        while (!out.empty() && (out.back() == ';' || static_cast<unsigned char>(out.back()) <= ' '))
            out.pop_back();
        out += " LIMIT " + limit;
    }
    return out;
}

ServerError translateSqliteError(const CatalogDbError& error) {
    std::string message = error.what();
    if (std::optional<ServerError> raised = serverErrorOf(message))
        return *raised;
    auto after = [&](std::string_view prefix) -> std::optional<std::string> {
        if (message.rfind(prefix, 0) == 0)
            return message.substr(prefix.size());
        return std::nullopt;
    };
    if (auto table = after("no such table: ")) {
        std::size_t dot = table->rfind('.');
        return messages::invalidObjectName(dot == std::string::npos ? *table
                                                                    : table->substr(dot + 1));
    }
    if (auto column = after("no such column: ")) {
        std::size_t dot = column->rfind('.');
        return messages::invalidColumnName(dot == std::string::npos ? *column
                                                                    : column->substr(dot + 1));
    }
    if (auto function = after("no such function: "))
        return ServerError(
            messages::make(195, 15, "'" + *function + "' is not a recognized function name."),
            true);
    if (auto column = after("ambiguous column name: "))
        return ServerError(messages::make(209, 16, "Ambiguous column name '" + *column + "'."));
    if (message.rfind("near \"", 0) == 0) {
        std::size_t close = message.find("\": syntax error");
        if (close != std::string::npos) {
            std::string near = message.substr(6, close - 6);
            return isReservedKeyword(near) ? messages::syntaxNearKeyword(near)
                                           : messages::syntaxNear(near);
        }
    }
    if (message == "incomplete input")
        return messages::syntaxNear("");
    return ServerError(messages::make(50000, 16,
                                      "The test server's SQLite refused the "
                                      "statement: " +
                                          message));
}

} // namespace testserver
