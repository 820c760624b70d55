#include "data/object_name.h"

namespace dbc {

std::string qualifiedName(std::string_view schema, std::string_view name) {
    if (schema.empty() || schema == "dbo")
        return std::string(name);
    std::string qualified;
    qualified.reserve(schema.size() + 1 + name.size());
    qualified.append(schema);
    qualified += objectSchemaSeparator;
    qualified.append(name);
    return qualified;
}

std::string_view schemaOf(std::string_view name) noexcept {
    const auto separator = name.find(objectSchemaSeparator);
    return separator == std::string_view::npos ? std::string_view() : name.substr(0, separator);
}

std::string_view bareName(std::string_view name) noexcept {
    const auto separator = name.find(objectSchemaSeparator);
    return separator == std::string_view::npos ? name : name.substr(separator + 1);
}

std::string inSchemaOf(std::string_view like, std::string_view name) {
    return qualifiedName(schemaOf(like), bareName(name));
}

std::string displayName(std::string_view name) {
    if (!isQualified(name))
        return std::string(name);
    return std::string(schemaOf(name)) + "." + std::string(bareName(name));
}

} // namespace dbc
