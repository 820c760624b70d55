#pragma once

// The statements on a table's rows, as the parser hands them to the row
// executors (insert_executor.cpp, update_executor.cpp, delete_executor.cpp).
// Expressions stay T-SQL text; they are rewritten for SQLite when they run.

#include "testserver/engine/object_name.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace testserver {

// INSERT [INTO] table [(column, ...)] {VALUES (...)[, (...)] | DEFAULT VALUES | SELECT ...}
struct InsertRows {
    ObjectName table;
    std::vector<std::string> columns; // empty: every column in order
    // VALUES: one list of expressions per row; nothing stands for DEFAULT.
    std::vector<std::vector<std::optional<std::string>>> values;
    bool defaultValues = false;
    std::string select; // INSERT ... SELECT: the SELECT's text
};

// UPDATE table SET column = expression, ... [FROM ...] [WHERE ...]
struct UpdateRows {
    ObjectName target; // the table, or an alias of the FROM clause
    std::vector<std::pair<std::string, std::string>> assignments; // column, expression
    std::string from;  // the FROM clause's text after FROM, if written
    std::string where; // the condition, if written
};

// DELETE [FROM] table [FROM ...] [WHERE ...]
struct DeleteRows {
    ObjectName target; // the table, or an alias of the FROM clause
    std::string from;
    std::string where;
};

// SET IDENTITY_INSERT table {ON | OFF}
struct SetIdentityInsert {
    ObjectName table;
    bool on = false;
};

} // namespace testserver
