#include "testserver/engine/sql_functions.h"

#include "testserver/engine/catalog_db.h"
#include "testserver/engine/column_property.h"
#include "testserver/engine/expression_functions.h"
#include "testserver/engine/help_text.h"
#include "testserver/engine/name_collation.h"
#include "testserver/engine/property_functions.h"
#include "testserver/engine/schema_functions.h"
#include "testserver/engine/schema_resolution.h"
#include "testserver/engine/session_variables.h"
#include "testserver/engine/sql_function_support.h"
#include "testserver/engine/temporary_tables.h"

#include <sqlite3.h>

#include <chrono>
#include <ctime>
#include <optional>
#include <string>

namespace testserver {

namespace {

const SessionVariables& variablesOf(sqlite3_context* context) {
    return *static_cast<const SessionVariables*>(sqlite3_user_data(context));
}

void objectId(sqlite3_context* context, int, sqlite3_value** arguments) {
    std::optional<std::string> name = textArgument(arguments[0]);
    std::optional<std::string> id;
    const SessionVariables& variables = variablesOf(context);
    if (name && isTemporaryName(*name)) {
        // Temporary tables are tempdb's, not the current database's.
        std::optional<long long> temporary;
        if (variables.temporaryObjectId)
            temporary = variables.temporaryObjectId(*name);
        if (temporary)
            id = std::to_string(*temporary);
    } else if (name) {
        try {
            if (std::optional<long long> found =
                    resolveObjectId(sqlite3_context_db_handle(context), objectNameOfText(*name),
                                    nameScopeOf(variables.version->year)))
                id = std::to_string(*found);
        } catch (const CatalogDbError&) {
            id.reset();
        }
    }
    if (id)
        sqlite3_result_int64(context, std::stoll(*id));
    else
        sqlite3_result_null(context);
}

void objectName(sqlite3_context* context, int, sqlite3_value** arguments) {
    std::optional<std::string> id = textArgument(arguments[0]);
    std::optional<std::string> name;
    if (id)
        name = lookUp(context, "SELECT name FROM sysobjects WHERE id = ?", *id);
    if (name)
        resultText(context, *name);
    else
        sqlite3_result_null(context);
}

void columnName(sqlite3_context* context, int, sqlite3_value** arguments) {
    std::optional<std::string> id = textArgument(arguments[0]);
    std::optional<std::string> colid = textArgument(arguments[1]);
    std::optional<std::string> name;
    if (id && colid)
        name =
            lookUp(context, "SELECT name FROM syscolumns WHERE id = ? AND colid = ?", *id, &*colid);
    if (name)
        resultText(context, *name);
    else
        sqlite3_result_null(context);
}

void userName(sqlite3_context* context, int, sqlite3_value**) {
    resultText(context, "dbo");
}

void loginName(sqlite3_context* context, int, sqlite3_value**) {
    const std::string& user = variablesOf(context).user;
    resultText(context, user.empty() ? std::string("sa") : user);
}

void serverProperty(sqlite3_context* context, int, sqlite3_value** arguments) {
    std::optional<std::string> property = textArgument(arguments[0]);
    if (!property) {
        sqlite3_result_null(context);
        return;
    }
    struct Answer {
        const char* name;
        const char* text;
        int number; // used when text is null
    };
    static const Answer answers[] = {
        {"Edition", "Developer Edition", 0},      {"EngineEdition", nullptr, 3},
        {"ServerName", kServerName, 0},           {"MachineName", kServerName, 0},
        {"Collation", "Chinese_PRC_CI_AS", 0},    {"IsCaseSensitive", nullptr, 0},
        {"IsIntegratedSecurityOnly", nullptr, 0}, {"IsClustered", nullptr, 0},
        {"IsFullTextInstalled", nullptr, 0},      {"IsSingleUser", nullptr, 0},
        {"LicenseType", "DISABLED", 0},
    };
    // The release's own: server_version.h.
    const ServerVersion& version = *variablesOf(context).version;
    if (namesEqual(*property, "ProductVersion") || namesEqual(*property, "ProductLevel")) {
        resultText(context, namesEqual(*property, "ProductVersion") ? version.productVersion
                                                                    : version.productLevel);
        return;
    }
    for (const Answer& answer : answers)
        if (namesEqual(answer.name, *property)) {
            if (answer.text)
                resultText(context, answer.text);
            else
                sqlite3_result_int(context, answer.number);
            return;
        }
    sqlite3_result_null(context); // InstanceName and unknown properties
}

void currentDate(sqlite3_context* context, int, sqlite3_value**) {
    auto now = std::chrono::system_clock::now();
    std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()) % 1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    resultText(context, std::string(text) + "." + std::to_string(1000 + millis.count()).substr(1));
}

void isNull(sqlite3_context* context, int, sqlite3_value** arguments) {
    sqlite3_result_value(context, sqlite3_value_type(arguments[0]) == SQLITE_NULL ? arguments[1]
                                                                                  : arguments[0]);
}

void length(sqlite3_context* context, int, sqlite3_value** arguments) {
    std::optional<std::string> text = textArgument(arguments[0]);
    if (!text) {
        sqlite3_result_null(context);
        return;
    }
    std::string_view trimmed = withoutTrailingBlanks(*text);
    long long count = 0;
    for (unsigned char c : trimmed)
        if ((c & 0xC0) != 0x80)
            ++count;
    sqlite3_result_int64(context, count);
}

void cursorStatus(sqlite3_context* context, int, sqlite3_value** arguments) {
    std::optional<std::string> scope = textArgument(arguments[0]);
    std::optional<std::string> name = textArgument(arguments[1]);
    const SessionVariables& variables = variablesOf(context);
    if (!scope || !name || !variables.cursorStatus)
        sqlite3_result_null(context);
    else
        sqlite3_result_int(context, variables.cursorStatus(*scope, *name));
}

// COUNT_BIG(*) and COUNT_BIG(expression): COUNT's rows or non-NULL values,
// as bigint (SQLite's integers are 64-bit already).
void countBigStep(sqlite3_context* context, int count, sqlite3_value** arguments) {
    auto* rows =
        static_cast<sqlite3_int64*>(sqlite3_aggregate_context(context, sizeof(sqlite3_int64)));
    if (rows && (count == 0 || sqlite3_value_type(arguments[0]) != SQLITE_NULL))
        ++*rows;
}

void countBigFinal(sqlite3_context* context) {
    auto* rows = static_cast<sqlite3_int64*>(sqlite3_aggregate_context(context, 0));
    sqlite3_result_int64(context, rows ? *rows : 0);
}

void registerCountBig(CatalogDb& db) {
    for (int arguments : {0, 1}) {
        int rc = sqlite3_create_function_v2(db.handle(), "count_big", arguments, SQLITE_UTF8,
                                            nullptr, nullptr, countBigStep, countBigFinal, nullptr);
        if (rc != SQLITE_OK)
            throw CatalogDbError(sqlite3_errmsg(db.handle()), rc);
    }
}

} // namespace

void registerSqlFunctions(CatalogDb& db, const SessionVariables& variables) {
    static const SqlFunction functions[] = {
        {"object_id", 1, objectId},
        {"object_name", 1, objectName},
        {"objectproperty", 2, objectProperty},
        {"ident_seed", 1, identitySeed},
        {"ident_incr", 1, identityIncrement},
        {"indexproperty", 3, indexProperty},
        {"indexkey_property", 4, indexKeyProperty},
        {"columnproperty", 3, columnProperty},
        {"col_name", 2, columnName},
        {"user_name", 0, userName},
        {"user_name", 1, userName},
        {"suser_sname", 0, loginName},
        {"suser_name", 0, loginName},
        {"serverproperty", 1, serverProperty},
        {"getdate", 0, currentDate},
        {"isnull", 2, isNull},
        {"tsql_isnull", 2, isNull},
        {"len", 1, length},
        {"cursor_status", 2, cursorStatus},
    };
    registerFunctions(db, functions, const_cast<SessionVariables*>(&variables));
    registerCountBig(db);
    registerExpressionFunctions(db, variables);
    registerSchemaFunctions(db, variables);
}

} // namespace testserver
