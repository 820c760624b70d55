#pragma once

#include <string>
#include <string_view>

namespace dbc {

// The name of a table, view, procedure, trigger or function in the catalog
// model carries its schema. An object of the default schema dbo (every object
// read from SQL Server 2000, whose owners are not schemas, and every object
// of a snapshot written before schemas were kept) is named by its bare name,
// exactly as before; an object of another schema (SQL Server 2005 and later)
// by "<schema>" + objectSchemaSeparator + "<name>". The separator is the NUL
// character, which names read from the catalog do not hold, so the two parts
// are always told apart and a dbo name is never mistaken for a qualified one.
// Names keyed by name_key.h compare schema and name alike, as the target's
// collation compares identifiers.
inline constexpr char objectSchemaSeparator = '\0';

// `name` in `schema`; an empty schema and "dbo" give the bare name.
std::string qualifiedName(std::string_view schema, std::string_view name);

// The schema of a model name: empty for a dbo object.
std::string_view schemaOf(std::string_view name) noexcept;

// The name without its schema.
std::string_view bareName(std::string_view name) noexcept;

// True for an object of a schema other than dbo.
inline bool isQualified(std::string_view name) noexcept {
    return name.find(objectSchemaSeparator) != std::string_view::npos;
}

// The same object name in another schema's form: the bare name `name` given
// the schema of `like` (a rebuild's temporary table beside its table).
std::string inSchemaOf(std::string_view like, std::string_view name);

// "sales.Orders" for reading (reports, messages); a dbo name bare.
std::string displayName(std::string_view name);

} // namespace dbc
