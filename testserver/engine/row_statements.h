#pragma once

// The statements on a table's rows, as the parser hands them to the row
// executors (insert_executor.cpp, update_executor.cpp, delete_executor.cpp).
// Expressions stay T-SQL text; they are rewritten for SQLite when they run.

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace testserver {

// INSERT [INTO] table [(column, ...)] {VALUES (...)[, (...)] | DEFAULT VALUES | SELECT ...}
struct InsertRows {
    std::string table;
    std::vector<std::string> columns; // empty: every column in order
    // VALUES: one list of expressions per row; nothing stands for DEFAULT.
    std::vector<std::vector<std::optional<std::string>>> values;
    bool defaultValues = false;
    std::string select; // INSERT ... SELECT: the SELECT's text
};

// UPDATE table SET column = expression, ... [FROM ...] [WHERE ...]
struct UpdateRows {
    std::string target; // the table, or an alias of the FROM clause
    std::vector<std::pair<std::string, std::string>> assignments; // column, expression
    std::string from;  // the FROM clause's text after FROM, if written
    std::string where; // the condition, if written
};

// DELETE [FROM] table [FROM ...] [WHERE ...]
struct DeleteRows {
    std::string target;
    std::string from;
    std::string where;
};

// SET IDENTITY_INSERT table {ON | OFF}
struct SetIdentityInsert {
    std::string table;
    bool on = false;
};

} // namespace testserver
