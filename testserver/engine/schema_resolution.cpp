#include "testserver/engine/schema_resolution.h"

#include "testserver/engine/catalog_db.h"

#include <vector>

namespace testserver {

NameScope nameScopeOf(int serverYear) {
    NameScope scope;
    scope.schemas = serverYear >= 2005;
    return scope;
}

const char* schemaRowsSql() {
    return "(SELECT u.name AS name, u.uid AS schema_id, u.uid AS principal_id FROM sysusers u "
           "WHERE u.uid IN (1, 2, 3) OR u.uid BETWEEN 16384 AND 16393 UNION ALL SELECT 'sys', 4, "
           "4 UNION ALL SELECT name, schema_id, principal_id FROM testserver_schemas)";
}

std::optional<long long> findSchemaId(sqlite3* db, std::string_view schema) {
    CatalogStatement statement(db, std::string("SELECT schema_id FROM ") + schemaRowsSql() +
                                       " s WHERE s.name = ? COLLATE NOCASE");
    statement.bind(1, schema);
    if (!statement.step())
        return std::nullopt;
    return statement.integer(0);
}

std::optional<std::string> findSchemaName(sqlite3* db, long long schemaId) {
    CatalogStatement statement(db, std::string("SELECT name FROM ") + schemaRowsSql() +
                                       " s WHERE s.schema_id = ?");
    statement.bind(1, schemaId);
    if (!statement.step())
        return std::nullopt;
    return statement.text(0);
}

std::optional<long long> resolveObjectId(sqlite3* db, const ObjectName& name,
                                         const NameScope& scope, std::string_view xtype) {
    std::string sql = "SELECT id FROM sysobjects WHERE name = ?";
    if (!xtype.empty())
        sql += " AND xtype = ?2";
    if (!scope.schemas) {
        CatalogStatement statement(db, sql);
        statement.bind(1, name.name);
        if (!xtype.empty())
            statement.bind(2, xtype);
        return statement.step() ? std::optional<long long>(statement.integer(0)) : std::nullopt;
    }
    std::vector<long long> schemas;
    if (name.qualified()) {
        std::optional<long long> schema = findSchemaId(db, name.schema);
        if (!schema)
            return std::nullopt;
        schemas.push_back(*schema);
    } else {
        schemas.push_back(scope.moduleSchema);
        if (scope.moduleSchema != kDboSchema)
            schemas.push_back(kDboSchema);
    }
    CatalogStatement statement(db, sql + " AND uid = ?3");
    for (long long schema : schemas) {
        statement.reset();
        statement.bind(1, name.name).bind(3, schema);
        if (!xtype.empty())
            statement.bind(2, xtype);
        if (statement.step())
            return statement.integer(0);
    }
    return std::nullopt;
}

} // namespace testserver
