#include "testserver/engine/row_executor.h"

#include "testserver/engine/lexer.h"
#include "testserver/engine/name_collation.h"
#include "testserver/engine/schema_resolution.h"
#include "testserver/engine/select_executor.h"
#include "testserver/engine/server_error.h"
#include "testserver/engine/temporary_tables.h"

namespace testserver {

namespace {

std::string bracketed(const std::string& name) {
    std::string text = "[";
    for (char c : name) {
        text += c;
        if (c == ']')
            text += ']';
    }
    return text + "]";
}

} // namespace

RowTarget findUserTable(CatalogDb& db, const ObjectName& name) {
    if (isTemporaryName(name.name))
        throw messages::notSupported("rows of temporary tables");
    std::optional<long long> id = resolveObjectId(db.handle(), name, nameScopeOf(db.serverYear()));
    auto find = db.prepare("SELECT id, name, xtype, uid FROM sysobjects WHERE id = ? AND xtype "
                           "IN ('U', 'V', 'S')");
    find.bind(1, id.value_or(0));
    if (!id || !find.step())
        throw messages::invalidObjectName(nameScopeOf(db.serverYear()).schemas ? writtenName(name)
                                                                               : name.name);
    if (!namesEqual(find.text(2), "U"))
        throw messages::notSupported("changing rows of views and system tables ('" + find.text(1) +
                                     "')");
    RowTarget target{find.integer(0), find.text(1), find.text(1), std::string()};
    if (find.integer(3) != kDboSchema && nameScopeOf(db.serverYear()).schemas)
        target.schema = findSchemaName(db.handle(), find.integer(3)).value_or(std::string());
    return target;
}

RowTarget resolveTarget(CatalogDb& db, const ObjectName& target, const std::string& from) {
    if (!from.empty() && !target.qualified()) {
        // FROM T [AS] alias ...: the alias names T.
        std::vector<Token> tokens = tokenize(from);
        for (std::size_t i = 0; i + 1 < tokens.size(); ++i) {
            if (!tokens[i].isName())
                continue;
            std::size_t aliasAt = i + 1;
            if (tokens[aliasAt].is("as") && aliasAt + 1 < tokens.size())
                ++aliasAt;
            if (tokens[aliasAt].isName() && namesEqual(tokens[aliasAt].value, target.name) &&
                !namesEqual(tokens[i].value, target.name)) {
                // [schema.]table alias
                ObjectName named{i >= 2 && tokens[i - 1].isSymbol(".") && tokens[i - 2].isName()
                                     ? tokens[i - 2].value
                                     : std::string(),
                                 tokens[i].value};
                RowTarget table = findUserTable(db, named);
                table.alias = tokens[aliasAt].value;
                return table;
            }
        }
    }
    return findUserTable(db, target);
}

std::string rowSelect(const RowTarget& target, const std::string& expressions,
                      const std::string& from, const std::string& where) {
    std::string table = target.schema.empty()
                            ? bracketed(target.name)
                            : bracketed(target.schema) + "." + bracketed(target.name);
    std::string sql = "SELECT " + bracketed(target.alias) + ".testserver_rowid" +
                      (expressions.empty() ? "" : ", " + expressions) + " FROM " +
                      (from.empty() ? table : from);
    if (!where.empty())
        sql += " WHERE " + where;
    return sql;
}

SqlValue defaultValue(CatalogDb& db, const SessionVariables& variables,
                      const StoredColumn& column) {
    if (column.cdefault == 0)
        return SqlValue::null();
    auto text = db.prepare("SELECT text FROM syscomments WHERE id = ? ORDER BY colid");
    text.bind(1, column.cdefault);
    std::string expression;
    while (text.step())
        expression += text.text(0);
    // A default made by CREATE DEFAULT keeps its whole statement: the
    // expression follows AS.
    std::vector<Token> tokens = tokenize(expression);
    if (!tokens.empty() && tokens.front().is("create"))
        for (const Token& token : tokens)
            if (token.is("as")) {
                expression = expression.substr(token.end());
                break;
            }
    std::vector<std::vector<SqlValue>> rows = selectValues(db, "SELECT " + expression, variables);
    if (rows.empty() || rows.front().empty())
        return SqlValue::null();
    return rows.front().front();
}

} // namespace testserver
