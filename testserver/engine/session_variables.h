#pragma once

#include "testserver/engine/local_variables.h"
#include "testserver/engine/server_version.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace testserver {

class DatabaseDirectory;

// What a session's @@ variables and built-in functions answer.
struct SessionVariables {
    std::string database;
    std::string user;
    int spid = 51;
    int trancount = 0;
    long long textsize = 4096;
    long long rowcount = 0;
    int error = 0;
    int fetchStatus = 0;      // the last FETCH's on any cursor
    long long cursorRows = 0; // rows of the cursor opened last
    // CURSOR_STATUS(scope, name)
    std::function<int(const std::string&, const std::string&)> cursorStatus;
    // Whether a name is a schema made by CREATE SCHEMA (2005 and later), so
    // that schema.name in a query names a table of it.
    std::function<bool(std::string_view)> isUserSchema;
    // OBJECT_ID of a temporary table (#t, tempdb..#t)
    std::function<std::optional<long long>(std::string_view)> temporaryObjectId;
    LocalVariables locals;                        // the running batch's @variables
    const DatabaseDirectory* directory = nullptr; // for DB_ID
    // The release @@VERSION and SERVERPROPERTY answer, and whose catalog views exist.
    const ServerVersion* version = &defaultServerVersion();
};

// The server this engine pretends to be.
inline constexpr const char* kServerName = "DBCOMPARE-TEST";

} // namespace testserver
