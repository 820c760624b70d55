#pragma once

#include "data/connection.h"
#include "script/script_buffer.h"

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

// How "执 行" runs the statement list.
enum class ExecutionMode {
    StatementByStatement, // a refused statement is reported and the next one runs
    AllOrNothing,         // one transaction: the first refusal rolls everything back
};

// A statement the target refused, with the server's or driver's message.
struct ExecutionFailure {
    std::string statement;
    std::string message;

    bool operator==(const ExecutionFailure&) const = default;
};

// What a run of the statement list came to.
struct ExecutionReport {
    std::vector<ExecutionFailure> failures;
    std::size_t statementCount = 0;
    // The number (from 1) of the statement at which the connection to the
    // server was lost, 0 when it held. That statement is not among the
    // failures: it may have taken effect before the connection went. The
    // statements after it were not run.
    std::size_t connectionLostAt = 0;
    // That statement's text and the driver's message about the lost
    // connection.
    std::string inFlightStatement;
    std::string connectionLostMessage;
    // The number (from 1) of the first statement not run because a stop was
    // requested before it, 0 when the run was not stopped.
    std::size_t stoppedBefore = 0;
    // An all-or-nothing run that a refusal (or a stop) rolled back: nothing
    // the statements did stays in the database.
    bool rolledBack = false;
};

// Executes the statements on `target` in list order, each as one command,
// calling `before` with the statement's number (from 1) first. A statement
// the server refuses is recorded and execution goes on with the next; a lost
// connection (SQLSTATE class 08) is recorded apart (connectionLostAt: whether
// the statement in flight took effect is unknown) and ends the run, since
// nothing more can reach the server. `stopRequested` is
// asked before each statement; when it answers true the run ends there, with
// that statement's number in stoppedBefore.
ExecutionReport runStatements(Connection& target, const std::vector<std::string>& statements,
                              const std::function<void(std::size_t number)>& before = {},
                              const std::function<bool()>& stopRequested = {});

// Executes the statements as runStatements() does, inside one transaction
// (all_or_nothing.cpp): BEGIN TRANSACTION first, COMMIT TRANSACTION after the
// last statement. At the first refusal, or when a stop is requested, the
// run ends and the transaction is rolled back, so the database is left as
// it was; the report names the refused statement with its message and has
// rolledBack set.
ExecutionReport runAllOrNothing(Connection& target, const std::vector<std::string>& statements,
                                const std::function<void(std::size_t number)>& before = {},
                                const std::function<bool()>& stopRequested = {});

// The line that ends the report of an all-or-nothing run rolled back.
std::string rolledBackLine(const ExecutionReport& report);

// runStatements(), its failures only.
std::vector<ExecutionFailure>
executeAll(Connection& target, const std::vector<std::string>& statements,
           const std::function<void(std::size_t number)>& before = {});

// The line that ends the report of a run cut short by a lost connection.
std::string connectionLostLine(const ExecutionReport& report);

// The line that ends the report of a run stopped on request: before which
// statement, how many ran and how many of those were refused.
std::string stoppedLine(const ExecutionReport& report);

// The lines of the report the text box shows after "执 行": for each failure
// the lines of its statement (whole, line breaks included) and then of its
// message, split as the script buffer splits a statement; when there are
// failures, an empty line and the closing note follow. Empty when nothing
// failed.
std::vector<std::string> failureReportLines(const std::vector<ExecutionFailure>& failures);

// The same report as one text, its lines joined by "\n".
std::string failureReport(const std::vector<ExecutionFailure>& failures);

// The report of `report`: its failures as above; when the connection was
// lost, the statement in flight and the driver's message, then the line that
// says at which statement; when it was stopped, the line that says where;
// when an all-or-nothing run was rolled back, the line that says nothing was
// changed.
std::string failureReport(const ExecutionReport& report);

// "执 行" on the script buffer: clears the display text, executes the
// statement list (left unchanged) and puts the failure report into the display
// text. Returns the failures.
std::vector<ExecutionFailure> executeScript(Connection& target, ScriptBuffer& buffer);

// executeScript() with the whole report, for callers that tell a lost
// connection apart.
ExecutionReport runScript(Connection& target, ScriptBuffer& buffer);

// "执行一条": executes `text` whole (every line, "Go" lines included) as one
// command. The server's error propagates, so the caller can show its message.
void executeOne(Connection& target, const std::string& text);

} // namespace dbc
