#include "testserver/tds/column_plan.h"

#include "testserver/engine/utf8_text.h"
#include "testserver/tds/utf16le.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace testserver::tds {

namespace {

constexpr std::size_t kMaxNVarCharUnits = 4000;

std::uint8_t intSizeOf(ColumnType type) {
    switch (type) {
    case ColumnType::TinyInt:
        return 1;
    case ColumnType::SmallInt:
        return 2;
    case ColumnType::Int:
        return 4;
    case ColumnType::BigInt:
        return 8;
    case ColumnType::NVarChar:
        break;
    }
    return 0;
}

const char* typeName(std::uint8_t size) {
    switch (size) {
    case 1:
        return "tinyint";
    case 2:
        return "smallint";
    case 4:
        return "int";
    default:
        return "bigint";
    }
}

bool inRange(long long v, std::uint8_t size) {
    switch (size) {
    case 1:
        return v >= 0 && v <= 255;
    case 2:
        return v >= std::numeric_limits<std::int16_t>::min() &&
               v <= std::numeric_limits<std::int16_t>::max();
    case 4:
        return v >= std::numeric_limits<std::int32_t>::min() &&
               v <= std::numeric_limits<std::int32_t>::max();
    default:
        return true;
    }
}

// Checks one integer value; the message SQL Server gives when it cannot
// convert or the value does not fit.
std::optional<ServerMessage> checkInteger(const std::string& text, std::uint8_t size) {
    long long value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec == std::errc() && end == text.data() + text.size() && !text.empty()) {
        if (inRange(value, size))
            return std::nullopt;
        return ServerMessage{8115, 2, 16,
                             std::string("Arithmetic overflow error converting expression to "
                                         "data type ") +
                                 typeName(size) + ".",
                             1};
    }
    if (ec == std::errc::result_out_of_range)
        return ServerMessage{8115, 2, 16,
                             "Arithmetic overflow error converting expression to data type "
                             "bigint.",
                             1};
    return ServerMessage{245, 1, 16,
                         "Conversion failed when converting the nvarchar value '" + text +
                             "' to data type " + typeName(size) + ".",
                         1};
}

} // namespace

long long parseInteger(const std::string& text) {
    long long value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

std::variant<std::vector<ColumnPlan>, ServerMessage> planColumns(const ResultSet& resultSet) {
    std::vector<ColumnPlan> plans;
    for (std::size_t c = 0; c < resultSet.columns.size(); ++c) {
        const ColumnInfo& column = resultSet.columns[c];
        ColumnPlan plan;
        plan.name = column.name;
        plan.nullable = column.nullable;
        std::size_t longest = 0;
        std::uint8_t intSize = intSizeOf(column.type);
        for (const auto& row : resultSet.rows) {
            const Value& value = c < row.size() ? row[c] : Value{};
            if (!value) {
                plan.nullable = true;
                continue;
            }
            if (intSize != 0) {
                if (auto error = checkInteger(*value, intSize))
                    return *error;
            } else {
                longest = std::max(longest, utf16Length(*value));
            }
        }
        if (intSize != 0) {
            plan.type = tds::IntN;
            plan.intSize = intSize;
        } else if (longest > kMaxNVarCharUnits) {
            plan.type = tds::NText;
        } else {
            std::size_t declared = std::clamp<std::size_t>(
                static_cast<std::size_t>(std::max(column.maxLength, 1)), 1, kMaxNVarCharUnits);
            plan.type = tds::NVarChar;
            plan.maxBytes = static_cast<std::uint32_t>(std::max(declared, longest) * 2);
        }
        plans.push_back(std::move(plan));
    }
    return plans;
}

} // namespace testserver::tds
