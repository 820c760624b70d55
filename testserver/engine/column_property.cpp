#include "testserver/engine/column_property.h"

#include "testserver/engine/name_collation.h"
#include "testserver/engine/sql_function_support.h"

#include <string>
#include <string_view>

namespace testserver {

namespace {

struct ColumnQuery {
    std::string_view property;
    const char* sql; // one value for the table id and the column name
};

// Each property read from the column's syscolumns row, or the test server's
// own tables of identity and ROWGUIDCOL columns.
constexpr ColumnQuery kColumnQueries[] = {
    {"AllowsNull", "SELECT isnullable FROM syscolumns WHERE id = ? AND name = ?"},
    {"ColumnId", "SELECT colid FROM syscolumns WHERE id = ? AND name = ?"},
    {"IsComputed", "SELECT iscomputed FROM syscolumns WHERE id = ? AND name = ?"},
    {"IsIdentity", "SELECT (status & 128) <> 0 FROM syscolumns WHERE id = ? AND name = ?"},
    {"IsRowGuidCol",
     "SELECT EXISTS (SELECT 1 FROM testserver_rowguidcol r WHERE r.id = c.id AND r.colid = "
     "c.colid) FROM syscolumns c WHERE c.id = ? AND c.name = ?"},
    {"IsOutParam", "SELECT 0 FROM syscolumns WHERE id = ? AND name = ?"},
    {"IsFulltextIndexed", "SELECT 0 FROM syscolumns WHERE id = ? AND name = ?"},
    {"IsIdNotForRepl",
     "SELECT coalesce((SELECT i.not_for_replication FROM testserver_identity i WHERE i.id = c.id "
     "AND i.colid = c.colid), 0) FROM syscolumns c WHERE c.id = ? AND c.name = ?"},
    {"Precision", "SELECT prec FROM syscolumns WHERE id = ? AND name = ?"},
    {"Scale", "SELECT scale FROM syscolumns WHERE id = ? AND name = ?"},
};

} // namespace

void columnProperty(sqlite3_context* context, int, sqlite3_value** arguments) {
    std::optional<std::string> id = textArgument(arguments[0]);
    std::optional<std::string> column = textArgument(arguments[1]);
    std::optional<std::string> property = textArgument(arguments[2]);
    if (!id || !column || !property) {
        sqlite3_result_null(context);
        return;
    }
    for (const ColumnQuery& query : kColumnQueries)
        if (namesEqual(query.property, *property)) {
            std::optional<std::string> value = lookUp(context, query.sql, *id, &*column);
            if (value)
                sqlite3_result_int64(context, std::stoll(*value));
            else
                sqlite3_result_null(context);
            return;
        }
    sqlite3_result_null(context);
}

} // namespace testserver
