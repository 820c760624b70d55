#pragma once

#include "testserver/engine/sql_type.h"

#include <optional>
#include <string>
#include <string_view>

namespace testserver {

// A scalar value as a batch's variables and expressions carry it: text, or
// the text of a number, or NULL.
struct SqlValue {
    std::optional<std::string> text; // nothing: NULL
    bool number = false;             // an int, decimal, money or float value

    static SqlValue null() { return {}; }
    static SqlValue string(std::string value) { return {std::move(value), false}; }
    static SqlValue numeric(std::string value) { return {std::move(value), true}; }
};

// Where a type without a length was written: DECLARE @v varchar is one
// character long, CONVERT(varchar, x) and CAST(x AS varchar) thirty.
enum class LengthDefault { Declaration, Conversion };

// Converts a value to a type the way assignment and CONVERT do: character
// types truncate to their length (char and nchar pad with blanks), integer
// and exact types parse the text. `style` is CONVERT's third argument; for a
// character target it formats a date and time value ("yyyy-mm-dd
// hh:mi:ss[.mmm]"). Throws ServerError 245 (text that is no number), 8114,
// 220 and 8115 (out of range) and 2715 (unknown type).
SqlValue convertValue(const DeclaredType& type, const SqlValue& value, LengthDefault lengthDefault,
                      std::optional<int> style = std::nullopt);

// Parses a type as written in DECLARE, CONVERT and CAST: "varchar(30)",
// "decimal(10, 2)", "national character varying(5)".
DeclaredType parseTypeText(std::string_view text);

// True for a built-in type whose values are numbers.
bool isNumericType(std::string_view typeName);

// The value as a T-SQL literal: N'text', a number, or NULL.
std::string tsqlLiteral(const SqlValue& value);

} // namespace testserver
