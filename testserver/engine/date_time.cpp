#include "testserver/engine/date_time.h"

#include "testserver/engine/name_collation.h"
#include "testserver/engine/server_error.h"

#include <algorithm>
#include <cstdio>

namespace testserver {

namespace {

// Days since 1970-01-01 of a proleptic Gregorian date.
long long daysFromCivil(long long year, int month, int day) {
    year -= month <= 2 ? 1 : 0;
    long long era = (year >= 0 ? year : year - 399) / 400;
    long long yearOfEra = year - era * 400;
    long long dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    long long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

DateParts civilFromDays(long long days) {
    days += 719468;
    long long era = (days >= 0 ? days : days - 146096) / 146097;
    long long dayOfEra = days - era * 146097;
    long long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    long long shifted = (5 * dayOfYear + 2) / 153;
    DateParts date;
    date.day = static_cast<int>(dayOfYear - (153 * shifted + 2) / 5 + 1);
    date.month = static_cast<int>(shifted < 10 ? shifted + 3 : shifted - 9);
    date.year = static_cast<int>(yearOfEra + era * 400 + (date.month <= 2 ? 1 : 0));
    return date;
}

bool leapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && leapYear(year) ? 29 : days[month - 1];
}

enum class Unit {
    Year,
    Quarter,
    Month,
    DayOfYear,
    Day,
    Week,
    Weekday,
    Hour,
    Minute,
    Second,
    Milli
};

Unit unitOf(std::string_view part) {
    struct Name {
        std::string_view name;
        Unit unit;
    };
    static constexpr Name names[] = {
        {"year", Unit::Year},
        {"yy", Unit::Year},
        {"yyyy", Unit::Year},
        {"quarter", Unit::Quarter},
        {"qq", Unit::Quarter},
        {"q", Unit::Quarter},
        {"month", Unit::Month},
        {"mm", Unit::Month},
        {"m", Unit::Month},
        {"dayofyear", Unit::DayOfYear},
        {"dy", Unit::DayOfYear},
        {"y", Unit::DayOfYear},
        {"day", Unit::Day},
        {"dd", Unit::Day},
        {"d", Unit::Day},
        {"week", Unit::Week},
        {"wk", Unit::Week},
        {"ww", Unit::Week},
        {"weekday", Unit::Weekday},
        {"dw", Unit::Weekday},
        {"hour", Unit::Hour},
        {"hh", Unit::Hour},
        {"minute", Unit::Minute},
        {"mi", Unit::Minute},
        {"n", Unit::Minute},
        {"second", Unit::Second},
        {"ss", Unit::Second},
        {"s", Unit::Second},
        {"millisecond", Unit::Milli},
        {"ms", Unit::Milli},
    };
    for (const Name& name : names)
        if (namesEqual(name.name, part))
            return name.unit;
    throw ServerError(messages::make(
        155, 15, "'" + std::string(part) + "' is not a recognized datepart option."));
}

long long millisOf(const DateParts& d) {
    return ((daysFromCivil(d.year, d.month, d.day) * 24 + d.hour) * 60 + d.minute) * 60000LL +
           d.second * 1000LL + d.millis;
}

DateParts fromMillis(long long millis) {
    long long days = millis >= 0 ? millis / 86400000LL : -((-millis + 86399999LL) / 86400000LL);
    long long rest = millis - days * 86400000LL;
    DateParts date = civilFromDays(days);
    date.hour = static_cast<int>(rest / 3600000);
    date.minute = static_cast<int>(rest / 60000 % 60);
    date.second = static_cast<int>(rest / 1000 % 60);
    date.millis = static_cast<int>(rest % 1000);
    return date;
}

} // namespace

std::optional<DateParts> parseDateTime(std::string_view text) {
    DateParts parts;
    std::string copy(text);
    int digits = 0;
    int read = std::sscanf(copy.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%n", &parts.year, &parts.month,
                           &parts.day, &parts.hour, &parts.minute, &parts.second, &digits);
    if (read == 6) {
        std::string_view rest = text.substr(static_cast<std::size_t>(digits));
        if (!rest.empty() && rest.front() == '.') {
            int scale = 100;
            for (char c : rest.substr(1, 3)) {
                if (c < '0' || c > '9')
                    break;
                parts.millis += (c - '0') * scale;
                scale /= 10;
            }
        }
    } else if (read != 3) {
        if (copy.size() != 8 ||
            std::sscanf(copy.c_str(), "%4d%2d%2d", &parts.year, &parts.month, &parts.day) != 3)
            return std::nullopt;
    }
    if (parts.month < 1 || parts.month > 12 || parts.day < 1 ||
        parts.day > daysInMonth(parts.year, parts.month))
        return std::nullopt;
    return parts;
}

std::string isoText(const DateParts& d) {
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", d.year, d.month, d.day,
                  d.hour, d.minute, d.second, d.millis);
    return text;
}

DateParts addToDate(const DateParts& date, std::string_view part, long long count) {
    Unit unit = unitOf(part);
    if (unit == Unit::Year || unit == Unit::Quarter || unit == Unit::Month) {
        long long months = unit == Unit::Year      ? count * 12
                           : unit == Unit::Quarter ? count * 3
                                                   : count;
        long long index = date.year * 12LL + (date.month - 1) + months;
        DateParts moved = date;
        moved.year = static_cast<int>(index / 12);
        moved.month = static_cast<int>(index % 12) + 1;
        moved.day = std::min(date.day, daysInMonth(moved.year, moved.month));
        return moved;
    }
    long long unitMillis = 0;
    switch (unit) {
    case Unit::DayOfYear:
    case Unit::Day:
    case Unit::Weekday:
        unitMillis = 86400000LL;
        break;
    case Unit::Week:
        unitMillis = 7 * 86400000LL;
        break;
    case Unit::Hour:
        unitMillis = 3600000LL;
        break;
    case Unit::Minute:
        unitMillis = 60000LL;
        break;
    case Unit::Second:
        unitMillis = 1000LL;
        break;
    default:
        unitMillis = 1;
        break;
    }
    return fromMillis(millisOf(date) + count * unitMillis);
}

long long dateDifference(std::string_view part, const DateParts& from, const DateParts& to) {
    Unit unit = unitOf(part);
    long long fromDays = daysFromCivil(from.year, from.month, from.day);
    long long toDays = daysFromCivil(to.year, to.month, to.day);
    switch (unit) {
    case Unit::Year:
        return to.year - from.year;
    case Unit::Quarter:
        return (to.year * 4LL + (to.month - 1) / 3) - (from.year * 4LL + (from.month - 1) / 3);
    case Unit::Month:
        return (to.year * 12LL + to.month) - (from.year * 12LL + from.month);
    case Unit::DayOfYear:
    case Unit::Day:
    case Unit::Weekday:
        return toDays - fromDays;
    case Unit::Week: // weeks start on Sunday; 1970-01-04 was one
        return (toDays - 3 - ((toDays - 3) % 7 + 7) % 7) / 7 -
               (fromDays - 3 - ((fromDays - 3) % 7 + 7) % 7) / 7;
    case Unit::Hour:
        return (toDays * 24 + to.hour) - (fromDays * 24 + from.hour);
    case Unit::Minute:
        return ((toDays * 24 + to.hour) * 60 + to.minute) -
               ((fromDays * 24 + from.hour) * 60 + from.minute);
    case Unit::Second:
        return (millisOf(to) - to.millis) / 1000 - (millisOf(from) - from.millis) / 1000;
    case Unit::Milli:
        return millisOf(to) - millisOf(from);
    }
    return 0;
}

long long datePart(std::string_view part, const DateParts& date) {
    Unit unit = unitOf(part);
    long long days = daysFromCivil(date.year, date.month, date.day);
    switch (unit) {
    case Unit::Year:
        return date.year;
    case Unit::Quarter:
        return (date.month - 1) / 3 + 1;
    case Unit::Month:
        return date.month;
    case Unit::DayOfYear:
        return days - daysFromCivil(date.year, 1, 1) + 1;
    case Unit::Day:
        return date.day;
    case Unit::Week:
        return dateDifference("week", DateParts{date.year, 1, 1, 0, 0, 0, 0}, date) + 1;
    case Unit::Weekday: // Sunday is 1, as with SET DATEFIRST 7
        return ((days + 4) % 7 + 7) % 7 + 1;
    case Unit::Hour:
        return date.hour;
    case Unit::Minute:
        return date.minute;
    case Unit::Second:
        return date.second;
    case Unit::Milli:
        return date.millis;
    }
    return 0;
}

static std::string twoDigits(int value) {
    char text[8];
    std::snprintf(text, sizeof text, "%02d", value % 100);
    return text;
}

std::string formatDate(const DateParts& d, int style) {
    static const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                    "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    int base = style % 100;
    bool century = style >= 100 || base == 0 || base == 9 || base == 13 || base == 20 ||
                   base == 21 || base == 26;
    std::string year = century ? std::to_string(d.year) : twoDigits(d.year);
    std::string mm = twoDigits(d.month);
    std::string dd = twoDigits(d.day);
    char buffer[64];
    auto twelveHour = [&](bool seconds) {
        int hour = d.hour % 12 == 0 ? 12 : d.hour % 12;
        const char* half = d.hour < 12 ? "AM" : "PM";
        if (seconds)
            std::snprintf(buffer, sizeof buffer, "%s %2d %d %2d:%02d:%02d:%03d%s",
                          kMonths[d.month - 1], d.day, d.year, hour, d.minute, d.second, d.millis,
                          half);
        else
            std::snprintf(buffer, sizeof buffer, "%s %2d %d %2d:%02d%s", kMonths[d.month - 1],
                          d.day, d.year, hour, d.minute, half);
        return std::string(buffer);
    };
    switch (base) {
    case 0:
        return twelveHour(false);
    case 9:
        return twelveHour(true);
    case 1:
        return mm + "/" + dd + "/" + year;
    case 2:
        return year + "." + mm + "." + dd;
    case 3:
        return dd + "/" + mm + "/" + year;
    case 4:
        return dd + "." + mm + "." + year;
    case 5:
        return dd + "-" + mm + "-" + year;
    case 6:
        return dd + " " + kMonths[d.month - 1] + " " + year;
    case 7:
        return std::string(kMonths[d.month - 1]) + " " + dd + ", " + year;
    case 10:
        return mm + "-" + dd + "-" + year;
    case 11:
        return year + "/" + mm + "/" + dd;
    case 12:
        return year + mm + dd;
    case 8:
        std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", d.hour, d.minute, d.second);
        return buffer;
    case 14:
        std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d:%03d", d.hour, d.minute, d.second,
                      d.millis);
        return buffer;
    case 13:
        std::snprintf(buffer, sizeof buffer, "%02d %s %d %02d:%02d:%02d:%03d", d.day,
                      kMonths[d.month - 1], d.year, d.hour, d.minute, d.second, d.millis);
        return buffer;
    case 20:
        std::snprintf(buffer, sizeof buffer, "%d-%02d-%02d %02d:%02d:%02d", d.year, d.month, d.day,
                      d.hour, d.minute, d.second);
        return buffer;
    case 21:
    case 26:
        std::snprintf(buffer, sizeof buffer, "%d-%02d-%02d%c%02d:%02d:%02d.%03d", d.year, d.month,
                      d.day, base == 26 ? 'T' : ' ', d.hour, d.minute, d.second, d.millis);
        return buffer;
    default:
        throw ServerError(messages::make(281, 16,
                                         std::to_string(style) +
                                             " is not a valid style number when converting "
                                             "from datetime to a character string."));
    }
}

} // namespace testserver
