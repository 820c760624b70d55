#include "testserver/engine/schema_functions.h"

#include "testserver/engine/catalog_db.h"
#include "testserver/engine/schema_resolution.h"
#include "testserver/engine/session_variables.h"
#include "testserver/engine/sql_function_support.h"

#include <sqlite3.h>

#include <charconv>

namespace testserver {

namespace {

std::optional<long long> integerArgument(sqlite3_value* value) {
    std::optional<std::string> text = textArgument(value);
    long long number = 0;
    if (!text)
        return std::nullopt;
    auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), number);
    if (error != std::errc() || end != text->data() + text->size())
        return std::nullopt;
    return number;
}

void resultSchemaName(sqlite3_context* context, std::optional<long long> schemaId) {
    std::optional<std::string> name;
    try {
        if (schemaId)
            name = findSchemaName(sqlite3_context_db_handle(context), *schemaId);
    } catch (const CatalogDbError&) {
        name.reset();
    }
    if (name)
        resultText(context, *name);
    else
        sqlite3_result_null(context);
}

void schemaId(sqlite3_context* context, int count, sqlite3_value** arguments) {
    if (count == 0) {
        sqlite3_result_int64(context, kDboSchema);
        return;
    }
    std::optional<std::string> name = textArgument(arguments[0]);
    std::optional<long long> id;
    try {
        if (name)
            id = findSchemaId(sqlite3_context_db_handle(context), *name);
    } catch (const CatalogDbError&) {
        id.reset();
    }
    if (id)
        sqlite3_result_int64(context, *id);
    else
        sqlite3_result_null(context);
}

void schemaName(sqlite3_context* context, int count, sqlite3_value** arguments) {
    resultSchemaName(context, count == 0 ? std::optional<long long>(kDboSchema)
                                         : integerArgument(arguments[0]));
}

// The schema of an object of the current database; another database's id
// gives NULL, as for an object the caller cannot see.
void objectSchemaName(sqlite3_context* context, int count, sqlite3_value** arguments) {
    std::optional<long long> id = integerArgument(arguments[0]);
    if (count == 2 && sqlite3_value_type(arguments[1]) != SQLITE_NULL) {
        std::optional<std::string> current = lookUp(context, "SELECT db_id()", "");
        std::optional<std::string> asked = textArgument(arguments[1]);
        if (!current || !asked || *current != *asked)
            id.reset();
    }
    std::optional<std::string> uid;
    if (id)
        uid = lookUp(context, "SELECT uid FROM sysobjects WHERE id = ?", std::to_string(*id));
    std::optional<long long> schema;
    if (uid)
        schema = std::stoll(*uid);
    resultSchemaName(context, schema);
}

} // namespace

void registerSchemaFunctions(CatalogDb& db, const SessionVariables& variables) {
    if (variables.version->year < 2005)
        return;
    static const SqlFunction functions[] = {
        {"schema_id", 0, schemaId},
        {"schema_id", 1, schemaId},
        {"schema_name", 0, schemaName},
        {"schema_name", 1, schemaName},
    };
    registerFunctions(db, functions, nullptr);
    if (variables.version->year < 2008)
        return;
    static const SqlFunction objectFunctions[] = {
        {"object_schema_name", 1, objectSchemaName},
        {"object_schema_name", 2, objectSchemaName},
    };
    registerFunctions(db, objectFunctions, nullptr);
}

} // namespace testserver
