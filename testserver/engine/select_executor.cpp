#include "testserver/engine/select_executor.h"

#include "testserver/engine/select_rewriter.h"

#include "testserver/engine/catalog_db.h"
#include "testserver/engine/empty_table_stand_ins.h"
#include "testserver/engine/lexer.h"
#include "testserver/engine/name_collation.h"
#include "testserver/engine/server_error.h"
#include "testserver/engine/token_cursor.h"
#include "testserver/engine/utf8_text.h"

#include <algorithm>
#include <charconv>
#include <set>

namespace testserver {

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

// A user table reads as the empty table it is (see EmptyTableStandIns); a
// view's definition is not compiled here, so reading one is refused plainly
// rather than as an invalid object.
void refuseView(CatalogDb& db, const CatalogDbError& error) {
    std::string message = error.what();
    const std::string prefix = "no such table: ";
    if (message.rfind(prefix, 0) != 0)
        return;
    std::string table = message.substr(prefix.size());
    auto find = db.prepare("SELECT name FROM sysobjects WHERE name = ? AND xtype = 'V'");
    find.bind(1, table);
    if (find.step())
        throw messages::notSupported("reading rows of views ('" + find.text(0) +
                                     "'); the catalog holds no table data");
}

// Prepares a rewritten SELECT; anything after its one statement is a syntax
// error, as SQL Server reports it.
CatalogStatement prepareOneStatement(EmptyTableStandIns& standIns, const std::string& sql) {
    CatalogStatement statement = standIns.prepare(sql);
    for (char c : statement.tail())
        if (static_cast<unsigned char>(c) > ' ' && c != ';')
            throw messages::syntaxNear(statement.tail());
    return statement;
}

} // namespace

ResultSet runSelect(CatalogDb& db, std::string_view sql, const SessionVariables& variables,
                    bool formatOnly) {
    std::string rewritten = rewriteForSqlite(sql, variables);
    ResultSet result;
    EmptyTableStandIns standIns(db);
    try {
        CatalogStatement statement = prepareOneStatement(standIns, rewritten);
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
    } catch (const CatalogDbError& error) {
        refuseView(db, error);
        throw translateSqliteError(error);
    }
    return result;
}

std::vector<std::vector<SqlValue>> selectValues(CatalogDb& db, std::string_view sql,
                                                const SessionVariables& variables,
                                                bool withRowIds) {
    std::string rewritten = rewriteForSqlite(sql, variables);
    std::vector<std::vector<SqlValue>> rows;
    EmptyTableStandIns standIns(db, withRowIds);
    try {
        CatalogStatement statement = prepareOneStatement(standIns, rewritten);
        int count = statement.columnCount();
        while (statement.step()) {
            std::vector<SqlValue> row;
            for (int i = 0; i < count; ++i) {
                if (statement.isNull(i))
                    row.push_back(SqlValue::null());
                else if (statement.isInteger(i) || statement.isFloat(i))
                    row.push_back(SqlValue::numeric(statement.text(i)));
                else
                    row.push_back(SqlValue::string(statement.text(i)));
            }
            rows.push_back(std::move(row));
        }
    } catch (const CatalogDbError& error) {
        refuseView(db, error);
        throw translateSqliteError(error);
    }
    return rows;
}

bool evaluateCondition(CatalogDb& db, std::string_view condition,
                       const SessionVariables& variables) {
    std::string sql = "SELECT CASE WHEN " + std::string(condition) + " THEN 1 ELSE 0 END";
    ResultSet result = runSelect(db, sql, variables);
    return !result.rows.empty() && result.rows.front().front() == Value("1");
}

} // namespace testserver
