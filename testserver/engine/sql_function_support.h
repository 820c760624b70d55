#pragma once

#include <sqlite3.h>

#include <optional>
#include <span>
#include <string>

namespace testserver {

// Helpers for the SQL Server built-in functions registered on a catalog
// connection.

// A function argument as text, or nothing for NULL.
std::optional<std::string> textArgument(sqlite3_value* value);

void resultText(sqlite3_context* context, const std::string& text);

// Runs a one-value query on the function's own connection with one or two
// text parameters; nothing when it has no row or the value is NULL.
std::optional<std::string> lookUp(sqlite3_context* context, const char* sql,
                                  const std::string& first, const std::string* second = nullptr);

// A SQL Server function as SQLite calls it.
struct SqlFunction {
    const char* name;
    int arguments;
    void (*call)(sqlite3_context*, int, sqlite3_value**);
};

// Registers the functions on a connection, each with `data` as its user
// data; throws CatalogDbError when SQLite refuses one.
void registerFunctions(sqlite3* db, void* data, std::span<const SqlFunction> functions);

} // namespace testserver
