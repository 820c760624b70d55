#include "catalog/view_column_facts.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace dbc {

namespace {

std::string lower(std::string_view text) {
    std::string folded(text);
    std::transform(folded.begin(), folded.end(), folded.begin(), [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    });
    return folded;
}

// The base type the facts follow: an alias's base, else the type itself.
std::string base(const ViewColumnType& column) {
    return lower(column.baseType.empty() ? column.type : column.baseType);
}

template <std::size_t N>
bool oneOf(const std::string& name, const std::array<std::string_view, N>& names) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

constexpr std::array<std::string_view, 6> kLengthTypes = {"char",     "varchar", "nchar",
                                                          "nvarchar", "binary",  "varbinary"};
constexpr std::array<std::string_view, 14> kScaledTypes = {
    "tinyint",    "smallint", "int",     "bigint",  "bit",  "smalldatetime", "money",
    "smallmoney", "datetime", "decimal", "numeric", "time", "datetime2",     "datetimeoffset"};

} // namespace

std::string modelTypeName(const ViewColumnType& column) {
    if (column.userDefined || column.baseType.empty())
        return std::string(column.type);
    return std::string(column.baseType);
}

std::string modelLength(const ViewColumnType& column) {
    const std::string type = base(column);
    if (column.maxLength == "-1")
        return "-1";
    if (type == "nchar" || type == "nvarchar")
        return std::to_string(std::atoi(std::string(column.maxLength).c_str()) / 2);
    if (oneOf(type, kLengthTypes))
        return std::string(column.maxLength);
    if (type == "text" || type == "ntext" || type == "image")
        return {};
    return std::string(column.precision);
}

std::string modelScale(const ViewColumnType& column) {
    const std::string type = base(column);
    if (type == "date")
        return "0";
    return oneOf(type, kScaledTypes) ? std::string(column.scale) : std::string();
}

std::string modelTypeStat(const ViewColumnType& column) {
    return oneOf(base(column), kLengthTypes) ? "2" : "0";
}

} // namespace dbc
