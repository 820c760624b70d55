#pragma once

#include "testserver/engine/server_error.h"

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

// Fails the function call with SQL Server's error; the statement's refusal
// then carries that error's number and text (see serverErrorOf).
void resultServerError(sqlite3_context* context, const ServerError& error);

// The SQL Server error a function call failed with, from SQLite's message.
std::optional<ServerError> serverErrorOf(const std::string& sqliteMessage);

// A SQL Server built-in function implemented for SQLite.
struct SqlFunction {
    const char* name;
    int arguments;
    void (*call)(sqlite3_context*, int, sqlite3_value**);
};

class CatalogDb;

// Registers the functions on the connection, each with `data` as its user
// data. Throws CatalogDbError when SQLite refuses one.
void registerFunctions(CatalogDb& db, std::span<const SqlFunction> functions, void* data);

// Runs a one-value query on the function's own connection with one or two
// text parameters; nothing when it has no row or the value is NULL.
std::optional<std::string> lookUp(sqlite3_context* context, const char* sql,
                                  const std::string& first, const std::string* second = nullptr);

} // namespace testserver
