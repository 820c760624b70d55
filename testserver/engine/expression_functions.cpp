#include "testserver/engine/expression_functions.h"

#include "testserver/engine/catalog_db.h"
#include "testserver/engine/database_directory.h"
#include "testserver/engine/date_time.h"
#include "testserver/engine/like_pattern.h"
#include "testserver/engine/name_collation.h"
#include "testserver/engine/sql_function_support.h"
#include "testserver/engine/sql_value.h"
#include "testserver/engine/utf8_text.h"

#include <sqlite3.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <random>

namespace testserver {

namespace {

const SessionVariables& variablesOf(sqlite3_context* context) {
    return *static_cast<const SessionVariables*>(sqlite3_user_data(context));
}

bool isNumber(sqlite3_value* value) {
    int type = sqlite3_value_type(value);
    return type == SQLITE_INTEGER || type == SQLITE_FLOAT;
}

SqlValue valueOf(sqlite3_value* value) {
    std::optional<std::string> text = textArgument(value);
    if (!text)
        return SqlValue::null();
    return isNumber(value) ? SqlValue::numeric(*text) : SqlValue::string(*text);
}

void resultValue(sqlite3_context* context, const SqlValue& value, std::string_view typeName) {
    if (!value.text) {
        sqlite3_result_null(context);
        return;
    }
    if (value.number) {
        long long integer = 0;
        const std::string& text = *value.text;
        auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), integer);
        bool exact = namesEqual(typeName, "decimal") || namesEqual(typeName, "numeric") ||
                     namesEqual(typeName, "dec") || namesEqual(typeName, "money") ||
                     namesEqual(typeName, "smallmoney");
        if (error == std::errc() && end == text.data() + text.size() && !exact) {
            sqlite3_result_int64(context, integer);
            return;
        }
        if (!exact) {
            sqlite3_result_double(context, std::stod(text));
            return;
        }
    }
    resultText(context, *value.text); // exact numerics keep their scale as text
}

// tsql_var('@name'): a variable's value as the statement runs, so that an
// assignment made by an earlier row or column is seen.
void variable(sqlite3_context* context, int, sqlite3_value** arguments) {
    try {
        const SqlValue& value =
            variablesOf(context).locals.value(textArgument(arguments[0]).value_or(""));
        resultValue(context, value, "");
    } catch (const ServerError& error) {
        resultServerError(context, error);
    }
}

// tsql_assign('@name', value): SELECT @name = value, row by row.
void assign(sqlite3_context* context, int, sqlite3_value** arguments) {
    try {
        auto& variables = *static_cast<SessionVariables*>(sqlite3_user_data(context));
        variables.locals.assign(textArgument(arguments[0]).value_or(""), valueOf(arguments[1]));
        sqlite3_result_null(context);
    } catch (const ServerError& error) {
        resultServerError(context, error);
    }
}

// A text operand of + next to a number converts to one, as T-SQL converts
// the operand of lower type precedence.
bool numberOf(sqlite3_value* value, long long& integer, double& real, bool& isReal) {
    if (sqlite3_value_type(value) == SQLITE_INTEGER) {
        integer = sqlite3_value_int64(value);
        return true;
    }
    if (sqlite3_value_type(value) == SQLITE_FLOAT) {
        real = sqlite3_value_double(value);
        isReal = true;
        return true;
    }
    std::string text = textArgument(value).value_or("");
    SqlValue converted = convertValue(DeclaredType{"int", {}, {}}, SqlValue::string(text),
                                      LengthDefault::Conversion);
    integer = std::stoll(*converted.text);
    return true;
}

void plus(sqlite3_context* context, int, sqlite3_value** arguments) {
    if (sqlite3_value_type(arguments[0]) == SQLITE_NULL ||
        sqlite3_value_type(arguments[1]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    if (!isNumber(arguments[0]) && !isNumber(arguments[1])) {
        resultText(context, *textArgument(arguments[0]) + *textArgument(arguments[1]));
        return;
    }
    try {
        long long integers[2] = {0, 0};
        double reals[2] = {0, 0};
        bool real[2] = {false, false};
        for (int i = 0; i < 2; ++i)
            numberOf(arguments[i], integers[i], reals[i], real[i]);
        if (!real[0] && !real[1]) {
            long long sum = 0;
            if (__builtin_add_overflow(integers[0], integers[1], &sum))
                throw ServerError(messages::make(
                    8115, 16, "Arithmetic overflow error converting expression to data type int."));
            sqlite3_result_int64(context, sum);
        } else {
            sqlite3_result_double(context,
                                  (real[0] ? reals[0] : static_cast<double>(integers[0])) +
                                      (real[1] ? reals[1] : static_cast<double>(integers[1])));
        }
    } catch (const ServerError& error) {
        resultServerError(context, error);
    }
}

void convertCall(sqlite3_context* context, int count, sqlite3_value** arguments) {
    try {
        DeclaredType type = parseTypeText(textArgument(arguments[0]).value_or(""));
        std::optional<int> style;
        if (count > 2 && sqlite3_value_type(arguments[2]) != SQLITE_NULL)
            style = sqlite3_value_int(arguments[2]);
        SqlValue value =
            convertValue(type, valueOf(arguments[1]), LengthDefault::Conversion, style);
        resultValue(context, value, type.name);
    } catch (const ServerError& error) {
        resultServerError(context, error);
    }
}

// Byte offsets of the characters of UTF-8 text, with its size at the end.
std::vector<std::size_t> characterStarts(const std::string& text) {
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i < text.size(); ++i)
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80)
            starts.push_back(i);
    starts.push_back(text.size());
    return starts;
}

// SUBSTRING(text, start, length): characters from `start` (1 the first);
// a start before 1 still counts towards the length.
void substring(sqlite3_context* context, int, sqlite3_value** arguments) {
    std::optional<std::string> text = textArgument(arguments[0]);
    if (!text || sqlite3_value_type(arguments[1]) == SQLITE_NULL ||
        sqlite3_value_type(arguments[2]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    long long start = sqlite3_value_int64(arguments[1]);
    long long length = sqlite3_value_int64(arguments[2]);
    if (length < 0) {
        resultServerError(
            context, ServerError(messages::make(536, 16,
                                                "Invalid length parameter passed to the substring "
                                                "function.")));
        return;
    }
    std::vector<std::size_t> starts = characterStarts(*text);
    long long characters = static_cast<long long>(starts.size()) - 1;
    long long first = std::max(start, 1LL);
    long long last = std::min(start + length, characters + 1); // one past
    if (first >= last) {
        resultText(context, "");
        return;
    }
    std::size_t from = starts[static_cast<std::size_t>(first - 1)];
    std::size_t to = starts[static_cast<std::size_t>(last - 1)];
    resultText(context, text->substr(from, to - from));
}

// REPLICATE(text, count); SPACE(count) is REPLICATE(' ', count).
void replicate(sqlite3_context* context, int count, sqlite3_value** arguments) {
    std::optional<std::string> text =
        count == 1 ? std::optional<std::string>(" ") : textArgument(arguments[0]);
    sqlite3_value* times = arguments[count - 1];
    if (!text || sqlite3_value_type(times) == SQLITE_NULL || sqlite3_value_int64(times) < 0) {
        sqlite3_result_null(context);
        return;
    }
    std::string out;
    for (long long i = 0; i < sqlite3_value_int64(times) && out.size() < 8000; ++i)
        out += *text;
    resultText(context, out);
}

// LEFT(text, count) and RIGHT(text, count), in characters.
void leftOrRight(sqlite3_context* context, sqlite3_value** arguments, bool left) {
    std::optional<std::string> text = textArgument(arguments[0]);
    if (!text || sqlite3_value_type(arguments[1]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    long long wanted = sqlite3_value_int64(arguments[1]);
    std::vector<std::size_t> starts = characterStarts(*text);
    auto characters = static_cast<long long>(starts.size()) - 1;
    long long keep = std::clamp(wanted, 0LL, characters);
    std::size_t from = left ? 0 : starts[static_cast<std::size_t>(characters - keep)];
    std::size_t to = left ? starts[static_cast<std::size_t>(keep)] : text->size();
    resultText(context, text->substr(from, to - from));
}

void leftPart(sqlite3_context* context, int, sqlite3_value** arguments) {
    leftOrRight(context, arguments, true);
}

void rightPart(sqlite3_context* context, int, sqlite3_value** arguments) {
    leftOrRight(context, arguments, false);
}

// x LIKE pattern [ESCAPE e], which SQLite calls as like(pattern, x [, e]).
void like(sqlite3_context* context, int count, sqlite3_value** arguments) {
    std::optional<std::string> pattern = textArgument(arguments[0]);
    std::optional<std::string> value = textArgument(arguments[1]);
    std::optional<std::string> escape =
        count > 2 ? textArgument(arguments[2]) : std::optional<std::string>();
    if (!pattern || !value || (count > 2 && !escape)) {
        sqlite3_result_null(context);
        return;
    }
    std::optional<char32_t> escapeCharacter;
    if (escape && !escape->empty())
        escapeCharacter = static_cast<unsigned char>(escape->front());
    sqlite3_result_int(context, likeMatches(*value, *pattern, escapeCharacter) ? 1 : 0);
}

// CHARINDEX(sought, text [, start]): the character position of the first
// match from `start`, 0 when none; letter case is ignored as the server's
// collation does.
void charIndex(sqlite3_context* context, int count, sqlite3_value** arguments) {
    std::optional<std::string> sought = textArgument(arguments[0]);
    std::optional<std::string> text = textArgument(arguments[1]);
    if (!sought || !text) {
        sqlite3_result_null(context);
        return;
    }
    long long start = count > 2 ? std::max<long long>(sqlite3_value_int64(arguments[2]), 1) : 1;
    std::vector<std::size_t> starts = characterStarts(*text);
    if (sought->empty() || start > static_cast<long long>(starts.size()) - 1) {
        sqlite3_result_int(context, 0);
        return;
    }
    std::string haystack = asciiLower(*text);
    std::size_t found =
        haystack.find(asciiLower(*sought), starts[static_cast<std::size_t>(start - 1)]);
    if (found == std::string::npos) {
        sqlite3_result_int(context, 0);
        return;
    }
    auto position = std::lower_bound(starts.begin(), starts.end(), found) - starts.begin();
    sqlite3_result_int64(context, position + 1);
}

// DATALENGTH: bytes of the value as stored here (UTF-8 text; 4 for an
// integer, 8 for a float).
void dataLength(sqlite3_context* context, int, sqlite3_value** arguments) {
    switch (sqlite3_value_type(arguments[0])) {
    case SQLITE_NULL:
        sqlite3_result_null(context);
        return;
    case SQLITE_INTEGER:
        sqlite3_result_int(context, 4);
        return;
    case SQLITE_FLOAT:
        sqlite3_result_int(context, 8);
        return;
    default:
        sqlite3_result_int(context, sqlite3_value_bytes(arguments[0]));
    }
}

// QUOTENAME(name [, quote]): [name] with ] doubled, or 'name' / "name".
void quoteName(sqlite3_context* context, int count, sqlite3_value** arguments) {
    std::optional<std::string> name = textArgument(arguments[0]);
    std::string quote = count > 1 ? textArgument(arguments[1]).value_or("") : "[";
    if (!name || quote.size() != 1 ||
        std::string_view("[]'\"").find(quote[0]) == std::string::npos || utf16Length(*name) > 128) {
        sqlite3_result_null(context);
        return;
    }
    char open = quote[0] == ']' ? '[' : quote[0];
    char close = open == '[' ? ']' : open;
    std::string out(1, open);
    for (char c : *name) {
        out.push_back(c);
        if (c == close)
            out.push_back(c);
    }
    out.push_back(close);
    resultText(context, out);
}

void newId(sqlite3_context* context, int, sqlite3_value**) {
    static thread_local std::mt19937_64 random{std::random_device{}()};
    unsigned long long high = random();
    unsigned long long low = random();
    char text[40];
    std::snprintf(text, sizeof text, "%08llX-%04llX-4%03llX-%04llX-%012llX", high >> 32,
                  (high >> 16) & 0xFFFF, high & 0xFFF, 0x8000 | ((low >> 48) & 0x3FFF),
                  low & 0xFFFFFFFFFFFFULL);
    resultText(context, text);
}

std::optional<DateParts> dateArgument(sqlite3_value* value) {
    std::optional<std::string> text = textArgument(value);
    if (!text)
        return std::nullopt;
    std::optional<DateParts> date = parseDateTime(*text);
    if (!date)
        throw ServerError(
            messages::make(241, 16, "Syntax error converting datetime from character string."));
    return date;
}

void dateAdd(sqlite3_context* context, int, sqlite3_value** arguments) {
    try {
        std::optional<DateParts> date = dateArgument(arguments[2]);
        if (!date || sqlite3_value_type(arguments[1]) == SQLITE_NULL) {
            sqlite3_result_null(context);
            return;
        }
        resultText(context, isoText(addToDate(*date, textArgument(arguments[0]).value_or(""),
                                              sqlite3_value_int64(arguments[1]))));
    } catch (const ServerError& error) {
        resultServerError(context, error);
    }
}

void dateDiff(sqlite3_context* context, int, sqlite3_value** arguments) {
    try {
        std::optional<DateParts> from = dateArgument(arguments[1]);
        std::optional<DateParts> to = dateArgument(arguments[2]);
        if (!from || !to) {
            sqlite3_result_null(context);
            return;
        }
        sqlite3_result_int64(context,
                             dateDifference(textArgument(arguments[0]).value_or(""), *from, *to));
    } catch (const ServerError& error) {
        resultServerError(context, error);
    }
}

void datePartCall(sqlite3_context* context, int, sqlite3_value** arguments) {
    try {
        std::optional<DateParts> date = dateArgument(arguments[1]);
        if (!date) {
            sqlite3_result_null(context);
            return;
        }
        sqlite3_result_int64(context, datePart(textArgument(arguments[0]).value_or(""), *date));
    } catch (const ServerError& error) {
        resultServerError(context, error);
    }
}

} // namespace

void registerExpressionFunctions(CatalogDb& db, const SessionVariables& variables) {
    static const SqlFunction functions[] = {
        {"tsql_plus", 2, plus},
        {"tsql_var", 1, variable},
        {"tsql_assign", 2, assign},
        {"tsql_convert", 2, convertCall},
        {"tsql_convert", 3, convertCall},
        {"substring", 3, substring},
        {"charindex", 2, charIndex},
        {"charindex", 3, charIndex},
        {"datalength", 1, dataLength},
        {"quotename", 1, quoteName},
        {"quotename", 2, quoteName},
        {"newid", 0, newId},
        {"dateadd", 3, dateAdd},
        {"datediff", 3, dateDiff},
        {"datepart", 2, datePartCall},
        {"replicate", 2, replicate},
        {"space", 1, replicate},
        {"tsql_left", 2, leftPart},
        {"tsql_right", 2, rightPart},
        {"like", 2, like},
        {"like", 3, like},
    };
    registerFunctions(db, functions, const_cast<SessionVariables*>(&variables));
}

} // namespace testserver
