#pragma once

#include "testserver/engine/engine.h"
#include "testserver/tds/tds_constants.h"

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace testserver::tds {

// How one result column goes on the wire.
struct ColumnPlan {
    std::string name;
    tds::DataType type = tds::NVarChar;
    std::uint8_t intSize = 4;   // IntN: 1, 2, 4 or 8 bytes
    std::uint32_t maxBytes = 0; // NVarChar: declared length in bytes
    bool nullable = true;
};

// Chooses each column's wire type and checks every value against it before a
// byte is sent:
// - integer columns become INTN of the column's size; a value that is not a
//   decimal integer of that range is an error (SQL Server's 245 / 8115);
// - text columns become NVARCHAR(n) with n the declared length, widened when a
//   value is longer, so that a value is never cut; a value over 4000 UTF-16
//   units makes the column NTEXT;
// - a NULL in a column declared NOT NULL marks the column nullable.
// Returns the error message when a value cannot be sent.
std::variant<std::vector<ColumnPlan>, ServerMessage> planColumns(const ResultSet& resultSet);

// The integer a validated IntN value holds.
long long parseInteger(const std::string& text);

} // namespace testserver::tds
