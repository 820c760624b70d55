#include "snapshot/store_schema.h"

#include "data/result.h"
#include "data/sqlite_connection.h"

namespace dbc {

namespace {

bool hasColumn(const Result& info, std::string_view column) {
    for (std::size_t row = 0; row < info.size(); ++row) {
        if (equalsIgnoringCase(info.field(row, "name"), column))
            return true;
    }
    return false;
}

} // namespace

std::string sqlLiteral(std::string_view text) {
    std::string quoted = "'";
    for (char c : text) {
        quoted += c;
        if (c == '\'')
            quoted += '\'';
    }
    return quoted + "'";
}

const std::vector<StoreTable>& storeTables() {
    static const std::vector<StoreTable> tables = {
        {"SourceTable",
         {{"FieldName", "TEXT"},
          {"FieldLength", "TEXT"},
          {"FieldType", "TEXT"},
          {"TableName", "TEXT"},
          {"Collation", "TEXT"},
          {"IsNullable", "TEXT"},
          {"TypeStat", "TEXT"},
          {"colStat", "TEXT"},
          {"FieldScale", "TEXT", true},
          {"IdentSeed", "TEXT", true},
          {"IdentIncr", "TEXT", true},
          {"RowGuidCol", "TEXT", true},
          {"IdentNotForRepl", "TEXT", true},
          {"ComputedText", "TEXT", true},
          {"SchemaName", "TEXT", true}}},
        {"SourceIndex",
         {{"TableName", "TEXT"},
          {"IndexName", "TEXT"},
          {"IndexField", "TEXT"},
          {"IndexFieldOrder", "INTEGER"},
          {"Status", "TEXT"},
          {"IsUnique", "TEXT", true},
          {"KeyConstraint", "TEXT", true},
          {"IsDescending", "TEXT", true},
          {"IsIncluded", "TEXT", true},
          {"IndexFilter", "TEXT", true},
          {"SchemaName", "TEXT", true}}},
        {"SourceSp", {{"SpName", "TEXT"}, {"SpText", "TEXT"}, {"SchemaName", "TEXT", true}}, true},
        {"SourceView",
         {{"ViewName", "TEXT"}, {"ViewText", "TEXT"}, {"SchemaName", "TEXT", true}},
         true},
        {"SourceTR", {{"TRName", "TEXT"}, {"TRText", "TEXT"}, {"SchemaName", "TEXT", true}}, true},
        {"SourceDF",
         {{"DFName", "TEXT"},
          {"TableName", "TEXT"},
          {"FieldName", "TEXT"},
          {"DFValue", "TEXT"},
          {"SchemaName", "TEXT", true}}},
        {"SourceFK",
         {{"FKName", "TEXT"},
          {"TableName", "TEXT"},
          {"FieldName", "TEXT"},
          {"RefTableName", "TEXT"},
          {"RefFieldName", "TEXT"},
          {"KeyOrder", "INTEGER"},
          {"DeleteCascade", "TEXT"},
          {"UpdateCascade", "TEXT"},
          {"NotForReplication", "TEXT"},
          {"Disabled", "TEXT"},
          {"SchemaName", "TEXT", true},
          {"RefSchemaName", "TEXT", true}},
         false,
         true},
        {"SourceCK",
         {{"CKName", "TEXT"},
          {"TableName", "TEXT"},
          {"FieldName", "TEXT"},
          {"CKText", "TEXT"},
          {"NotForReplication", "TEXT"},
          {"Disabled", "TEXT"},
          {"SchemaName", "TEXT", true}},
         false,
         true},
        {"SourceFN",
         {{"FNName", "TEXT"}, {"FNText", "TEXT"}, {"SchemaName", "TEXT", true}},
         true,
         true},
        {"SourceType",
         {{"TypeName", "TEXT"},
          {"BaseType", "TEXT"},
          {"FieldLength", "TEXT"},
          {"FieldScale", "TEXT"},
          {"IsNullable", "TEXT"}},
         false,
         true},
    };
    return tables;
}

const StoreTable* findStoreTable(std::string_view name) {
    for (const auto& table : storeTables()) {
        if (equalsIgnoringCase(table.name, name))
            return &table;
    }
    return nullptr;
}

std::string createTableSql(const StoreTable& table) {
    std::string sql = "CREATE TABLE " + std::string(table.name) + " (";
    for (std::size_t i = 0; i < table.columns.size(); ++i) {
        if (i > 0)
            sql += ", ";
        sql += std::string(table.columns[i].name) + " " + std::string(table.columns[i].type);
    }
    return sql + ")";
}

std::vector<std::string> missingColumnsSql(SqliteConnection& connection) {
    std::vector<std::string> statements;
    for (const auto& table : storeTables()) {
        const std::string name(table.name);
        Result info = connection.open("PRAGMA table_info(" + sqlLiteral(name) + ")");
        if (table.optional && info.empty()) {
            statements.push_back(createTableSql(table));
            continue;
        }
        for (const auto& column : table.columns) {
            if (column.optional && !hasColumn(info, column.name))
                statements.push_back("ALTER TABLE " + name + " ADD COLUMN " +
                                     std::string(column.name) + " " + std::string(column.type));
        }
    }
    return statements;
}

std::string findSchemaFault(SqliteConnection& connection) {
    for (const auto& table : storeTables()) {
        std::string name(table.name);
        Result found =
            connection.open("SELECT type, sql FROM sqlite_master WHERE name = " + sqlLiteral(name) +
                            " COLLATE NOCASE AND type IN ('table', 'view')");
        if (found.empty() && table.optional)
            continue;
        if (found.empty())
            return "table " + name + " is missing";
        if (found.field(0, "type") != "table")
            return name + " is a view, not a table";

        Result info = connection.open("PRAGMA table_info(" + sqlLiteral(name) + ")");
        for (const auto& column : table.columns) {
            if (!column.optional && !hasColumn(info, column.name))
                return "table " + name + " has no column " + std::string(column.name);
        }

        if (!table.appendOrdered)
            continue;
        // A table without rowid, or an index on it, could hand the rows of
        // an unordered "Select *" back in another order than appended.
        // (A table without rowid lists its primary key here too.)
        Result list = connection.open("PRAGMA index_list(" + sqlLiteral(name) + ")");
        if (!list.empty())
            return "table " + name + " has an index, which would change the order of its rows";
    }
    return {};
}

} // namespace dbc
