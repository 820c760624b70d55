#include "select_executor.h"

#include "lexer.h"
#include "name_collation.h"
#include "server_error.h"
#include "sqlite_db.h"
#include "token_cursor.h"
#include "utf8_text.h"

#include <algorithm>
#include <charconv>
#include <set>

namespace testserver {

namespace {

std::string sqliteString(std::string_view value) {
    std::string out = "'";
    for (char c : value) {
        out.push_back(c);
        if (c == '\'')
            out.push_back('\'');
    }
    return out + "'";
}

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
        return sqliteString(kVersionText);
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
    if (name == "@@langid" || name == "@@procid" || name == "@@nestlevel" ||
        name == "@@fetch_status")
        return "0";
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
        return "134219767"; // 8.00.2039
    throw ServerError(messages::make(137, 15, "Must declare the variable '" + token.text + "'."),
                      true);
}

bool isOwner(const Token& token) {
    return token.isName() && namesEqual(token.value, "dbo");
}

} // namespace

std::string rewriteForSqlite(std::string_view sql, const SessionVariables& variables) {
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

        if (token.kind == TokenKind::UnicodeString || token.kind == TokenKind::String) {
            out += sqliteString(token.value);
        } else if (token.isWord() && token.text.rfind("@@", 0) == 0) {
            out += globalVariable(token, variables);
        } else if (token.isWord() && token.text.front() == '@') {
            throw ServerError(
                messages::make(137, 15, "Must declare the variable '" + token.text + "'."), true);
        } else if (!afterDot && token.isName() && at(i + 1) && at(i + 1)->isSymbol(".") &&
                   at(i + 2) &&
                   (at(i + 2)->isSymbol(".") ||
                    (isOwner(*at(i + 2)) && at(i + 3) && at(i + 3)->isSymbol("."))) &&
                   namesEqual(token.value, variables.database)) {
            // db..name or db.dbo.name in the current database: drop the prefix.
            std::size_t last = at(i + 2)->isSymbol(".") ? i + 2 : i + 3;
            copied = tokens[last].end();
            i = last;
        } else if (!afterDot && isOwner(token) && at(i + 1) && at(i + 1)->isSymbol(".") &&
                   at(i + 2) && at(i + 2)->isName()) {
            copied = at(i + 1)->end(); // dbo.name: SQLite knows no owners
            ++i;
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

ServerError translateSqliteError(const SqliteError& error) {
    std::string message = error.what();
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

namespace {

struct ColumnShape {
    ColumnType type = ColumnType::NVarChar;
    int maxLength = 4000;
    bool fromCatalog = false;
};

ColumnShape shapeOf(std::string declared) {
    ColumnShape shape;
    if (declared.empty())
        return shape;
    shape.fromCatalog = true;
    declared = asciiLower(declared);
    std::string base = declared.substr(0, declared.find('('));
    while (!base.empty() && base.back() == ' ')
        base.pop_back();
    if (base == "tinyint" || base == "bit")
        shape.type = ColumnType::TinyInt;
    else if (base == "smallint")
        shape.type = ColumnType::SmallInt;
    else if (base == "int" || base == "integer")
        shape.type = ColumnType::Int;
    else if (base == "bigint")
        shape.type = ColumnType::BigInt;
    else {
        std::size_t open = declared.find('(');
        if (open != std::string::npos) {
            int length = 0;
            std::from_chars(declared.data() + open + 1, declared.data() + declared.size(), length);
            if (length > 0)
                shape.maxLength = std::min(length, 4000);
        }
    }
    return shape;
}

// Aliases written in the outer select list ("expr AS name" or "expr name").
std::set<std::string> selectListAliases(std::string_view sql) {
    std::set<std::string> aliases;
    std::vector<Token> tokens;
    try {
        tokens = tokenize(sql);
    } catch (const ServerError&) {
        return aliases;
    }
    std::size_t i = 0;
    while (i < tokens.size() && !tokens[i].is("select"))
        ++i;
    ++i;
    std::vector<const Token*> item;
    int depth = 0;
    auto finish = [&]() {
        if (item.size() >= 2) {
            const Token& last = *item.back();
            const Token& before = *item[item.size() - 2];
            bool aliasLike = last.isName() && !(last.isWord() && isReservedKeyword(last.text));
            if (aliasLike &&
                (before.is("as") || before.isName() || before.isSymbol(")") || before.isString() ||
                 before.kind == TokenKind::Number) &&
                !before.isSymbol("."))
                aliases.insert(asciiLower(last.value));
            if (last.isString() && before.is("as"))
                aliases.insert(asciiLower(last.value));
        }
        item.clear();
    };
    for (; i < tokens.size(); ++i) {
        const Token& token = tokens[i];
        if (token.isSymbol("("))
            ++depth;
        else if (token.isSymbol(")"))
            --depth;
        if (depth == 0 && (token.is("from") || token.is("where") || token.is("order") ||
                           token.is("group") || token.is("union") || token.is("having")))
            break;
        if (depth == 0 && token.isSymbol(",")) {
            finish();
            continue;
        }
        item.push_back(&token);
    }
    finish();
    return aliases;
}

// The catalog keeps no table data: a SELECT from a user table is refused
// plainly rather than as an invalid object.
void refuseUserTable(SqliteDb& db, const SqliteError& error) {
    std::string message = error.what();
    const std::string prefix = "no such table: ";
    if (message.rfind(prefix, 0) != 0)
        return;
    std::string table = message.substr(prefix.size());
    auto find = db.prepare("SELECT name FROM sysobjects WHERE name = ? AND xtype IN ('U', 'V')");
    find.bind(1, table);
    if (find.step())
        throw messages::notSupported("reading rows of user tables and views ('" + find.text(0) +
                                     "'); the catalog holds no table data");
}

} // namespace

ResultSet runSelect(SqliteDb& db, std::string_view sql, const SessionVariables& variables,
                    bool formatOnly) {
    std::string rewritten = rewriteForSqlite(sql, variables);
    ResultSet result;
    try {
        SqliteStatement statement = db.prepare(rewritten);
        for (char c : statement.tail())
            if (static_cast<unsigned char>(c) > ' ' && c != ';')
                throw messages::syntaxNear(statement.tail());
        std::set<std::string> aliases = selectListAliases(sql);
        int count = statement.columnCount();
        std::vector<ColumnShape> shapes;
        for (int i = 0; i < count; ++i) {
            ColumnInfo column;
            std::string name = statement.columnName(i);
            std::optional<std::string> origin = statement.originColumn(i);
            if (origin && asciiLower(name) == asciiLower(*origin) &&
                !aliases.count(asciiLower(name)))
                column.name = *origin;
            else if (origin || aliases.count(asciiLower(name)))
                column.name = name;
            ColumnShape shape = shapeOf(statement.declaredType(i));
            column.type = shape.type;
            column.maxLength = shape.maxLength;
            if (origin) {
                std::optional<std::string> table = statement.originTable(i);
                column.nullable = !(table && db.columnNotNull(*table, *origin));
            }
            result.columns.push_back(std::move(column));
            shapes.push_back(shape);
        }
        if (formatOnly)
            return result;
        std::vector<bool> allIntegers(static_cast<std::size_t>(count), true);
        std::vector<bool> fitsInt(static_cast<std::size_t>(count), true);
        std::vector<std::size_t> longest(static_cast<std::size_t>(count), 1);
        while (statement.step()) {
            std::vector<Value> row;
            for (int i = 0; i < count; ++i) {
                auto index = static_cast<std::size_t>(i);
                if (statement.isNull(i)) {
                    row.emplace_back();
                    continue;
                }
                if (!statement.isInteger(i)) {
                    allIntegers[index] = false;
                } else {
                    long long value = statement.integer(i);
                    if (value < -2147483648LL || value > 2147483647LL)
                        fitsInt[index] = false;
                }
                std::string text = statement.text(i);
                longest[index] = std::max(longest[index], utf16Length(text));
                row.emplace_back(std::move(text));
            }
            result.rows.push_back(std::move(row));
        }
        for (std::size_t i = 0; i < shapes.size(); ++i) {
            ColumnInfo& column = result.columns[i];
            if (!shapes[i].fromCatalog) {
                // An expression: typed from its values, as SQL Server types
                // literals and functions.
                if (allIntegers[i])
                    column.type = fitsInt[i] ? ColumnType::Int : ColumnType::BigInt;
                else
                    column.maxLength = static_cast<int>(std::min<std::size_t>(longest[i], 4000));
            } else if (column.type == ColumnType::NVarChar &&
                       longest[i] > static_cast<std::size_t>(column.maxLength)) {
                column.maxLength = static_cast<int>(std::min<std::size_t>(longest[i], 4000));
            }
        }
    } catch (const SqliteError& error) {
        refuseUserTable(db, error);
        throw translateSqliteError(error);
    }
    return result;
}

bool evaluateCondition(SqliteDb& db, std::string_view condition,
                       const SessionVariables& variables) {
    std::string sql = "SELECT CASE WHEN " + std::string(condition) + " THEN 1 ELSE 0 END";
    ResultSet result = runSelect(db, sql, variables);
    return !result.rows.empty() && result.rows.front().front() == Value("1");
}

} // namespace testserver
