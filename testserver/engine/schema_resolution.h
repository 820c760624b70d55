#pragma once

#include "testserver/engine/object_name.h"

#include <optional>
#include <string>
#include <string_view>

struct sqlite3;

namespace testserver {

// The schema every database has from the start and where an unqualified
// name is looked up and created (the default schema of the dbo user).
inline constexpr long long kDboSchema = 1;
// User schemas (CREATE SCHEMA) are numbered from here.
inline constexpr long long kFirstUserSchema = 5;

// How a statement's names find objects. Before 2005 an owner qualifier is
// not a schema: the test server ignores it and finds the object of that name
// whatever its uid, as it always has. From 2005 on an object lives in one
// schema (sysobjects.uid is its schema_id): a qualified name looks in that
// schema only, an unqualified one in `moduleSchema` (the schema of the module
// whose body names it) and then in dbo.
struct NameScope {
    bool schemas = false;
    long long moduleSchema = kDboSchema;
};

// The scope of a connection answering as `serverYear`.
NameScope nameScopeOf(int serverYear);

// The rows of sys.schemas's name, schema_id and principal_id: dbo, guest,
// INFORMATION_SCHEMA, sys and the fixed database roles' schemas, then those
// of CREATE SCHEMA. A SELECT for a FROM clause, in parentheses.
const char* schemaRowsSql();

std::optional<long long> findSchemaId(sqlite3* db, std::string_view schema);
std::optional<std::string> findSchemaName(sqlite3* db, long long schemaId);

// The id of the object `name` finds under `scope`, of kind `xtype` (U, V,
// ...) when one is given; nothing when there is none.
std::optional<long long> resolveObjectId(sqlite3* db, const ObjectName& name,
                                         const NameScope& scope, std::string_view xtype = {});

} // namespace testserver
