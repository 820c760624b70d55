#include "script/value_conversion.h"

#include <algorithm>
#include <cctype>
#include <optional>

namespace dbc {

std::string loweredTypeName(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::optional<long> plainNumber(const std::string& text) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos ||
        text.size() > 9)
        return std::nullopt;
    return std::stol(text);
}

bool isCharacterType(const std::string& loweredType) {
    return loweredType == "char" || loweredType == "varchar" || loweredType == "nchar" ||
           loweredType == "nvarchar" || loweredType == "sysname";
}

namespace {

// The bounds a character value must lie within once converted: an integer
// type's own, or for a decimal type the value from which rounding to its
// scale reaches 10^(precision - scale).
struct NumericBounds {
    bool integer = false;
    std::string lowest, highest;
    bool limitReached = false; // the bounds themselves lie beyond the type
};

std::optional<NumericBounds> boundsOf(const Column& column) {
    const std::string type = loweredTypeName(column.type);
    if (type == "tinyint")
        return NumericBounds{true, "0", "255"};
    if (type == "smallint")
        return NumericBounds{true, "-32768", "32767"};
    if (type == "int")
        return NumericBounds{true, "-2147483648", "2147483647"};
    if (type == "bigint")
        return NumericBounds{true, "-9223372036854775808", "9223372036854775807"};
    if (type == "smallmoney")
        return NumericBounds{false, "-214748.3648", "214748.3647"};
    if (type == "money")
        return NumericBounds{false, "-922337203685477.5808", "922337203685477.5807"};
    if ((type != "decimal" && type != "numeric") || !column.scaleKnown)
        return std::nullopt;
    const auto precision = plainNumber(column.length);
    const auto scale = plainNumber(column.scale.empty() ? "0" : column.scale);
    if (!precision || !scale || *scale > *precision)
        return std::nullopt;
    std::string limit(std::size_t(*precision - *scale), '9');
    if (limit.empty())
        limit = "0";
    limit += "." + std::string(std::size_t(*scale), '9') + "5";
    return NumericBounds{false, "-" + limit, limit, true};
}

} // namespace

std::string largeObjectCutCondition(const Column& from, const Column& to,
                                    const std::string& column) {
    const std::string oldType = loweredTypeName(from.type);
    const std::string newType = loweredTypeName(to.type);
    const auto newLength = plainNumber(to.length);
    if (!newLength)
        return {};
    long bytes = *newLength;
    if (oldType == "text" || oldType == "ntext") {
        if (!isCharacterType(newType))
            return {};
        if (oldType == "ntext" &&
            (newType == "nchar" || newType == "nvarchar" || newType == "sysname"))
            bytes *= 2;
    } else if (oldType == "image") {
        if (newType != "binary" && newType != "varbinary")
            return {};
    } else {
        return {};
    }
    return "DATALENGTH(" + column + ") > " + std::to_string(bytes);
}

std::string unconvertibleCondition(const Column& from, const Column& to,
                                   const std::string& column) {
    if (!isCharacterType(loweredTypeName(from.type)))
        return {};
    const auto bounds = boundsOf(to);
    if (!bounds)
        return {};
    const std::string value = "LTRIM(RTRIM(" + column + "))";
    // The value without its sign.
    const std::string digits = "CASE WHEN " + value + " LIKE '[+-]%' THEN SUBSTRING(" + value +
                               ", 2, 8000) ELSE " + value + " END";
    std::string text = "1 = CASE WHEN " + column + " IS NULL THEN 0";
    if (bounds->integer)
        text += " WHEN " + digits + " LIKE '%[^0-9]%' THEN 1 WHEN " + digits + " = '' THEN 0";
    else
        text += " WHEN " + digits + " LIKE '%[^0-9.]%' OR " + digits + " LIKE '%.%.%' OR " +
                digits + " NOT LIKE '%[0-9]%' THEN 1";
    // Past 300 digits a float overflows (232): no type here holds such a
    // number.
    text += " WHEN LEN(" + digits + ") > 300 THEN 1";
    const std::string number = "CAST(" + value + " AS float)";
    if (!bounds->limitReached)
        text += " WHEN " + number + " > " + bounds->highest + " OR " + number + " < " +
                bounds->lowest + " THEN 1";
    else
        text += " WHEN " + number + " >= " + bounds->highest + " OR " + number +
                " <= " + bounds->lowest + " THEN 1";
    return text + " ELSE 0 END";
}

} // namespace dbc
