#include "testserver/engine/sql_function_support.h"

#include "testserver/engine/catalog_db.h"
#include "testserver/engine/server_error.h"

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

namespace {

// Marks a function's failure as carrying a SQL Server error: the marker, then
// number, severity and text separated by the marker.
constexpr char kErrorMarker = '\x1f';

} // namespace

void resultServerError(sqlite3_context* context, const ServerError& error) {
    const ServerMessage& message = error.messages().back();
    std::string text = std::string(1, kErrorMarker) + std::to_string(message.number) +
                       kErrorMarker + std::to_string(message.severity) + kErrorMarker +
                       message.text;
    sqlite3_result_error(context, text.c_str(), static_cast<int>(text.size()));
}

std::optional<ServerError> serverErrorOf(const std::string& sqliteMessage) {
    if (sqliteMessage.empty() || sqliteMessage.front() != kErrorMarker)
        return std::nullopt;
    std::size_t second = sqliteMessage.find(kErrorMarker, 1);
    std::size_t third =
        second == std::string::npos ? second : sqliteMessage.find(kErrorMarker, second + 1);
    if (third == std::string::npos)
        return std::nullopt;
    int number = std::stoi(sqliteMessage.substr(1, second - 1));
    int severity = std::stoi(sqliteMessage.substr(second + 1, third - second - 1));
    return ServerError(messages::make(number, severity, sqliteMessage.substr(third + 1)));
}

void registerFunctions(CatalogDb& db, std::span<const SqlFunction> functions, void* data) {
    for (const SqlFunction& function : functions) {
        int rc =
            sqlite3_create_function_v2(db.handle(), function.name, function.arguments, SQLITE_UTF8,
                                       data, function.call, nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK)
            throw CatalogDbError(sqlite3_errmsg(db.handle()), rc);
    }
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

} // namespace testserver
