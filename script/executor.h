#pragma once

#include "connection.h"
#include "script_buffer.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace dbc {

// Shown in a message box when "执 行" has run the whole statement list.
inline constexpr const char* executeAllDoneMessage = "执行完毕!";
// Shown in a message box when "执行一条" has run its statement (full-width mark).
inline constexpr const char* executeOneDoneMessage = "执行完毕！";
// Closes the failure report of "执 行" when at least one statement failed.
inline constexpr const char* failureReportNote =
    "以上是不能处理的语句,请到企业管理器中更改,如果提示 索引xx依赖于列xx "
    ",那么这些字段(列)属性只能在企业管理中的设计表中修改!";

// A statement the target refused, with the server's or driver's message.
struct ExecutionFailure {
    std::string statement;
    std::string message;

    bool operator==(const ExecutionFailure&) const = default;
};

// Executes every statement on `target` in list order, each as one command,
// calling `before` with the statement's number (from 1) first. A failure is
// recorded and execution goes on with the next statement.
std::vector<ExecutionFailure>
executeAll(Connection& target, const std::vector<std::string>& statements,
           const std::function<void(std::size_t number)>& before = {});

// The lines of the report the text box shows after "执 行": for each failure
// the lines of its statement (whole, line breaks included) and then of its
// message, split as the script buffer splits a statement; when there are
// failures, an empty line and the closing note follow. Empty when nothing
// failed.
std::vector<std::string> failureReportLines(const std::vector<ExecutionFailure>& failures);

// The same report as one text, its lines joined by "\n".
std::string failureReport(const std::vector<ExecutionFailure>& failures);

// "执 行" on the script buffer: clears the display text, executes the
// statement list (left unchanged) and puts the failure report into the display
// text. Returns the failures.
std::vector<ExecutionFailure> executeScript(Connection& target, ScriptBuffer& buffer);

// "执行一条": executes `text` whole (every line, "Go" lines included) as one
// command. The server's error propagates, so the caller can show its message.
void executeOne(Connection& target, const std::string& text);

} // namespace dbc
