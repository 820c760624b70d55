#include "script/executor.h"

#include "data/database_error.h"
#include "data/test_point.h"

#include <exception>

namespace dbc {

ExecutionReport runStatements(Connection& target, const std::vector<std::string>& statements,
                              const std::function<void(std::size_t number)>& before,
                              const std::function<bool()>& stopRequested) {
    ExecutionReport report;
    report.statementCount = statements.size();
    for (std::size_t i = 0; i < statements.size(); ++i) {
        if (stopRequested && stopRequested()) {
            report.stoppedBefore = i + 1;
            break;
        }
        if (before)
            before(i + 1);
        testPoint("execute-statement");
        try {
            target.execute(statements[i]);
        } catch (const DatabaseError& error) {
            if (error.connectionLost()) {
                report.connectionLostAt = i + 1;
                report.inFlightStatement = statements[i];
                report.connectionLostMessage = error.what();
                break;
            }
            report.failures.push_back({statements[i], error.what()});
        } catch (const std::exception& error) {
            report.failures.push_back({statements[i], error.what()});
        }
    }
    return report;
}

std::vector<ExecutionFailure> executeAll(Connection& target,
                                         const std::vector<std::string>& statements,
                                         const std::function<void(std::size_t number)>& before) {
    return runStatements(target, statements, before).failures;
}

std::string connectionLostLine(const ExecutionReport& report) {
    return "执行第 " + std::to_string(report.connectionLostAt) + " 条语句(共 " +
           std::to_string(report.statementCount) +
           " 条)时与服务器的连接已断开,不知道这条语句是否已生效,其后的语句没有执行。";
}

std::string stoppedLine(const ExecutionReport& report) {
    const std::size_t ran = report.stoppedBefore - 1;
    return "已按要求在第 " + std::to_string(report.stoppedBefore) + " 条语句(共 " +
           std::to_string(report.statementCount) + " 条)之前停止:已执行 " + std::to_string(ran) +
           " 条,其中 " + std::to_string(report.failures.size()) + " 条被拒绝,其后的语句没有执行。";
}

std::vector<std::string> failureReportLines(const std::vector<ExecutionFailure>& failures) {
    std::vector<std::string> lines;
    for (const ExecutionFailure& failure : failures) {
        for (auto& line : splitLines(failure.statement))
            lines.push_back(std::move(line));
        for (auto& line : splitLines(failure.message))
            lines.push_back(std::move(line));
    }
    if (!failures.empty()) {
        lines.emplace_back();
        lines.emplace_back(failureReportNote);
    }
    return lines;
}

std::string failureReport(const std::vector<ExecutionFailure>& failures) {
    std::string report;
    const auto lines = failureReportLines(failures);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0)
            report += '\n';
        report += lines[i];
    }
    return report;
}

std::string failureReport(const ExecutionReport& report) {
    std::string text = failureReport(report.failures);
    const auto addLine = [&text](const std::string& line) {
        if (!text.empty())
            text += '\n';
        text += line;
    };
    if (report.connectionLostAt != 0) {
        addLine(report.inFlightStatement);
        addLine(report.connectionLostMessage);
        addLine(connectionLostLine(report));
    }
    if (report.stoppedBefore != 0)
        addLine(stoppedLine(report));
    if (report.rolledBack)
        addLine(rolledBackLine(report));
    return text;
}

ExecutionReport runScript(Connection& target, ScriptBuffer& buffer) {
    buffer.clearDisplay();
    ExecutionReport report = runStatements(target, buffer.statements());
    buffer.setDisplayText(failureReport(report));
    return report;
}

std::vector<ExecutionFailure> executeScript(Connection& target, ScriptBuffer& buffer) {
    return runScript(target, buffer).failures;
}

void executeOne(Connection& target, const std::string& text) {
    target.execute(text);
}

} // namespace dbc
