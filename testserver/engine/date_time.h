#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace testserver {

// A datetime value's fields.
struct DateParts {
    int year = 1900, month = 1, day = 1, hour = 0, minute = 0, second = 0, millis = 0;
};

// "yyyy-mm-dd[ hh:mi:ss[.mmm]]", as GETDATE and stored defaults spell a date
// and time here; "yyyymmdd" as well.
std::optional<DateParts> parseDateTime(std::string_view text);

// "yyyy-mm-dd hh:mi:ss.mmm"
std::string isoText(const DateParts& date);

// The text CONVERT gives a datetime in a style (0-14, 20, 21, 100-114, 120,
// 121, 126). Throws ServerError 281 for another style.
std::string formatDate(const DateParts& date, int style);

// DATEADD: `count` units of a date part (year, yy, month, mm, day, dd, hour,
// hh, minute, mi, second, ss, millisecond, ms, ...). Throws ServerError 155
// for an unknown date part.
DateParts addToDate(const DateParts& date, std::string_view part, long long count);

// DATEDIFF: how many boundaries of the date part lie between the two dates.
long long dateDifference(std::string_view part, const DateParts& from, const DateParts& to);

// DATEPART
long long datePart(std::string_view part, const DateParts& date);

} // namespace testserver
