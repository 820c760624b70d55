#include "script/column_type.h"

#include <algorithm>
#include <array>

namespace dbc {

namespace {

// The names of systypes' built-in rows in SQL Server 2000, sorted.
constexpr std::array<std::string_view, 26> builtInTypeNames = {
    "bigint",      "binary",   "bit",  "char",          "datetime", "decimal",
    "float",       "image",    "int",  "money",         "nchar",    "ntext",
    "numeric",     "nvarchar", "real", "smalldatetime", "smallint", "smallmoney",
    "sql_variant", "sysname",  "text", "timestamp",     "tinyint",  "uniqueidentifier",
    "varbinary",   "varchar",
};

std::string asciiLower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    });
    return lower;
}

// The names of the built-in types that came after SQL Server 2000, sorted.
constexpr std::array<std::string_view, 8> laterTypeNames = {
    "date", "datetime2", "datetimeoffset", "geography", "geometry", "hierarchyid", "time", "xml",
};

} // namespace

bool isLaterTypeName(std::string_view typeName) {
    return std::binary_search(laterTypeNames.begin(), laterTypeNames.end(), asciiLower(typeName));
}

bool isBuiltInTypeName(std::string_view typeName) {
    return std::binary_search(builtInTypeNames.begin(), builtInTypeNames.end(),
                              asciiLower(typeName)) ||
           isLaterTypeName(typeName);
}

TypeKind typeKindOf(std::string_view typeName) {
    const std::string lower = asciiLower(typeName);
    if (lower == "decimal" || lower == "numeric")
        return TypeKind::ExactNumeric;
    if (lower == "time" || lower == "datetime2" || lower == "datetimeoffset")
        return TypeKind::FractionalSeconds;
    return isBuiltInTypeName(lower) ? TypeKind::Plain : TypeKind::Alias;
}

bool typeTakesLength(std::string_view typeName) {
    const std::string lower = asciiLower(typeName);
    return lower == "char" || lower == "varchar" || lower == "nchar" || lower == "nvarchar" ||
           lower == "binary" || lower == "varbinary";
}

int firstMajorVersionOf(std::string_view typeName) {
    if (!isLaterTypeName(typeName))
        return 8;
    return asciiLower(typeName) == "xml" ? 9 : 10;
}

std::string lengthText(std::string_view length) {
    return length == "-1" ? std::string("max") : std::string(length);
}

std::string exactNumericPiece(std::string_view precision, std::string_view scale) {
    std::string piece = "(";
    piece.append(precision).append(",").append(scale).append(")");
    return piece;
}

std::string identityPiece(std::string_view seed, std::string_view increment) {
    if (seed.empty() || increment.empty())
        return " IDENTITY (1, 1) ";
    std::string piece = " IDENTITY (";
    piece.append(seed).append(", ").append(increment).append(") ");
    return piece;
}

} // namespace dbc
