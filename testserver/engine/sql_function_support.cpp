#include "testserver/engine/sql_function_support.h"

#include "testserver/engine/catalog_db.h"

namespace testserver {

std::optional<std::string> textArgument(sqlite3_value* value) {
    if (sqlite3_value_type(value) == SQLITE_NULL)
        return std::nullopt;
    const unsigned char* text = sqlite3_value_text(value);
    return std::string(reinterpret_cast<const char*>(text),
                       static_cast<std::size_t>(sqlite3_value_bytes(value)));
}

void resultText(sqlite3_context* context, const std::string& text) {
    sqlite3_result_text(context, text.c_str(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

// Runs a one-value query on the function's own connection.
std::optional<std::string> lookUp(sqlite3_context* context, const char* sql,
                                  const std::string& first, const std::string* second) {
    sqlite3* db = sqlite3_context_db_handle(context);
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK)
        return std::nullopt;
    sqlite3_bind_text(statement, 1, first.c_str(), static_cast<int>(first.size()),
                      SQLITE_TRANSIENT);
    if (second)
        sqlite3_bind_text(statement, 2, second->c_str(), static_cast<int>(second->size()),
                          SQLITE_TRANSIENT);
    std::optional<std::string> result;
    if (sqlite3_step(statement) == SQLITE_ROW && sqlite3_column_type(statement, 0) != SQLITE_NULL)
        result = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
    sqlite3_finalize(statement);
    return result;
}

void registerFunctions(sqlite3* db, void* data, std::span<const SqlFunction> functions) {
    for (const SqlFunction& function : functions) {
        int rc = sqlite3_create_function_v2(db, function.name, function.arguments, SQLITE_UTF8,
                                            data, function.call, nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK)
            throw CatalogDbError(sqlite3_errmsg(db), rc);
    }
}

} // namespace testserver
