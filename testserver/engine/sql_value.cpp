#include "testserver/engine/sql_value.h"

#include "testserver/engine/date_time.h"
#include "testserver/engine/lexer.h"
#include "testserver/engine/name_collation.h"
#include "testserver/engine/server_error.h"
#include "testserver/engine/token_cursor.h"
#include "testserver/engine/utf8_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace testserver {

namespace {

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ')
        text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ')
        text.remove_suffix(1);
    return text;
}

ServerError notANumber(std::string_view text, std::string_view target) {
    return ServerError(messages::make(245, 16,
                                      "Syntax error converting the varchar value '" +
                                          std::string(text) + "' to a column of data type " +
                                          std::string(target) + "."));
}

ServerError overflow(std::string_view target) {
    return ServerError(
        messages::make(8115, 16,
                       "Arithmetic overflow error converting expression to data type " +
                           std::string(target) + "."));
}

// The first `count` characters of UTF-8 text.
std::string leadingCharacters(const std::string& text, std::size_t count) {
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80)
            continue;
        if (characters++ == count)
            return text.substr(0, i);
    }
    return text;
}

std::size_t characterCount(const std::string& text) {
    std::size_t count = 0;
    for (unsigned char c : text)
        if ((c & 0xC0) != 0x80)
            ++count;
    return count;
}

struct IntegerRange {
    std::string_view name;
    long long low;
    long long high;
};

constexpr IntegerRange kIntegers[] = {
    {"tinyint", 0, 255},
    {"smallint", -32768, 32767},
    {"int", -2147483648LL, 2147483647LL},
    {"integer", -2147483648LL, 2147483647LL},
    {"bigint", std::numeric_limits<long long>::min(), std::numeric_limits<long long>::max()},
};

SqlValue toInteger(const IntegerRange& range, const SqlValue& value) {
    std::string_view text = trimmed(*value.text);
    if (text.empty())
        return SqlValue::numeric("0"); // '' converts to 0
    long long number = 0;
    const char* first = text.data();
    if (*first == '+')
        ++first;
    auto [end, error] = std::from_chars(first, text.data() + text.size(), number);
    if (error == std::errc::result_out_of_range)
        throw overflow(range.name);
    if (error != std::errc() || end != text.data() + text.size()) {
        // A decimal number truncates towards zero; text that is one does not convert.
        double real = 0;
        auto [realEnd, realError] = std::from_chars(first, text.data() + text.size(), real);
        if (!value.number || realError != std::errc() || realEnd != text.data() + text.size())
            throw notANumber(text, range.name);
        real = std::trunc(real);
        if (real < static_cast<double>(range.low) || real > static_cast<double>(range.high))
            throw overflow(range.name);
        number = static_cast<long long>(real);
    }
    if (number < range.low || number > range.high) // an integer too large for the type
        throw ServerError(messages::make(220, 16,
                                         "Arithmetic overflow error for data type " +
                                             std::string(range.name) +
                                             ", value = " + std::to_string(number) + "."));
    return SqlValue::numeric(std::to_string(number));
}

// A number's text in plain decimal notation: as written when it has no
// exponent, else from its value.
std::string plainDecimal(std::string_view text, double value) {
    if (text.find_first_of("eE") == std::string_view::npos)
        return std::string(text);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.17f", value);
    return buffer;
}

// Decimal text rounded to `scale` places, half away from zero, digit by
// digit so that 1.005 rounds to 1.01 as SQL Server's exact numerics do.
std::string roundedToScale(const std::string& text, int scale) {
    bool negative = !text.empty() && text.front() == '-';
    std::string body = negative ? text.substr(1) : text;
    std::size_t dot = body.find('.');
    std::string whole = dot == std::string::npos ? body : body.substr(0, dot);
    std::string fraction = dot == std::string::npos ? "" : body.substr(dot + 1);
    if (whole.empty())
        whole = "0";
    bool roundUp = static_cast<int>(fraction.size()) > scale &&
                   fraction[static_cast<std::size_t>(scale)] >= '5';
    fraction.resize(static_cast<std::size_t>(scale), '0');
    std::string number = whole + fraction;
    for (std::size_t i = number.size(); roundUp && i-- > 0;) {
        if (number[i] == '9') {
            number[i] = '0';
        } else {
            ++number[i];
            roundUp = false;
        }
    }
    if (roundUp)
        number.insert(number.begin(), '1');
    std::size_t split = number.size() - static_cast<std::size_t>(scale);
    whole = number.substr(0, split);
    whole.erase(0, std::min(whole.find_first_not_of('0'), whole.size() - 1));
    std::string out = (negative ? "-" : "") + whole;
    if (scale > 0)
        out += "." + number.substr(split);
    return out;
}

SqlValue toExact(std::string_view name, int scale, int precision, const SqlValue& value) {
    std::string_view text = trimmed(*value.text);
    double number = 0;
    const char* first = text.data();
    if (!text.empty() && *first == '+')
        ++first;
    auto [end, error] = std::from_chars(first, text.data() + text.size(), number);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        throw ServerError(messages::make(
            8114, 16, "Error converting data type varchar to " + std::string(name) + "."));
    std::string digits = plainDecimal(std::string_view(first, end - first), number);
    std::string rounded = roundedToScale(digits, scale);
    std::string whole = rounded.substr(rounded.front() == '-' ? 1 : 0);
    whole = whole.substr(0, whole.find('.'));
    std::size_t integerDigits = whole == "0" ? 0 : whole.size();
    if (static_cast<int>(integerDigits) > precision - scale)
        throw overflow(name);
    return SqlValue::numeric(rounded);
}

SqlValue toFloat(std::string_view name, const SqlValue& value) {
    std::string_view text = trimmed(*value.text);
    double number = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        throw ServerError(messages::make(
            8114, 16, "Error converting data type varchar to " + std::string(name) + "."));
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15g", number);
    return SqlValue::numeric(buffer);
}

} // namespace

bool isNumericType(std::string_view typeName) {
    static constexpr std::string_view kNumeric[] = {
        "tinyint", "smallint", "int",   "integer", "bigint", "bit",        "decimal",
        "dec",     "numeric",  "money", "float",   "real",   "smallmoney", "double"};
    for (std::string_view name : kNumeric)
        if (namesEqual(name, typeName))
            return true;
    return false;
}

SqlValue convertValue(const DeclaredType& type, const SqlValue& value, LengthDefault lengthDefault,
                      std::optional<int> style) {
    std::string name = asciiLower(type.name);
    if (name == "dec")
        name = "decimal";
    DeclaredType sized = type;
    if (name == "sysname") {
        name = "nvarchar";
        sized.first = 128;
    }
    if (!findBuiltinType(name) && name != "integer" && name != "double")
        throw ServerError(messages::make(
            2715, 16,
            "Column, parameter, or variable #1: Cannot find data type " + type.name + "."));
    if (!value.text)
        return SqlValue::null();
    if (name == "char" || name == "varchar" || name == "nchar" || name == "nvarchar" ||
        name == "text" || name == "ntext") {
        std::string text = *value.text;
        if (style && !value.number)
            if (std::optional<DateParts> date = parseDateTime(trimmed(text)))
                text = formatDate(*date, *style);
        if (name == "text" || name == "ntext")
            return SqlValue::string(text);
        std::size_t length = sized.first ? static_cast<std::size_t>(std::max(*sized.first, 1))
                                         : (lengthDefault == LengthDefault::Declaration ? 1 : 30);
        text = leadingCharacters(text, length);
        if (name == "char" || name == "nchar")
            text.append(length - characterCount(text), ' ');
        return SqlValue::string(text);
    }
    for (const IntegerRange& range : kIntegers)
        if (range.name == name)
            return toInteger(range, value);
    if (name == "bit") {
        SqlValue number = toInteger(kIntegers[4], value);
        return SqlValue::numeric(*number.text == "0" ? "0" : "1");
    }
    if (name == "decimal" || name == "numeric")
        return toExact(name, type.second.value_or(0), type.first.value_or(18), value);
    if (name == "money" || name == "smallmoney")
        return toExact(name, 4, name == "money" ? 19 : 10, value);
    if (name == "float" || name == "real" || name == "double")
        return toFloat(name, value);
    return SqlValue::string(std::string(trimmed(*value.text))); // dates, binary, GUIDs
}

DeclaredType parseTypeText(std::string_view text) {
    std::vector<Token> tokens = tokenize(text);
    TokenCursor cursor(text, tokens, 0, tokens.size());
    DeclaredType type;
    type.name = cursor.qualifiedName().last();
    if (namesEqual(type.name, "double") && cursor.accept("precision"))
        type.name = "float";
    else if (namesEqual(type.name, "national")) {
        if (!cursor.accept("char"))
            cursor.expect("character");
        type.name = cursor.accept("varying") ? "nvarchar" : "nchar";
    } else if ((namesEqual(type.name, "char") || namesEqual(type.name, "character")) &&
               cursor.accept("varying"))
        type.name = "varchar";
    if (namesEqual(type.name, "character"))
        type.name = "char";
    if (cursor.acceptSymbol("(")) {
        type.first = static_cast<int>(cursor.integer());
        if (cursor.acceptSymbol(","))
            type.second = static_cast<int>(cursor.integer());
        cursor.expectSymbol(")");
    }
    cursor.expectEnd();
    return type;
}

std::string tsqlLiteral(const SqlValue& value) {
    if (!value.text)
        return "NULL";
    if (value.number)
        return *value.text;
    std::string out = "N'";
    for (char c : *value.text) {
        out.push_back(c);
        if (c == '\'')
            out.push_back('\'');
    }
    return out + "'";
}

} // namespace testserver
