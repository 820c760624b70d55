#include "executor.h"

#include <exception>

namespace dbc {

std::vector<ExecutionFailure> executeAll(Connection& target,
                                         const std::vector<std::string>& statements,
                                         const std::function<void(std::size_t number)>& before) {
    std::vector<ExecutionFailure> failures;
    for (std::size_t i = 0; i < statements.size(); ++i) {
        const std::string& statement = statements[i];
        if (before)
            before(i + 1);
        try {
            target.execute(statement);
        } catch (const std::exception& error) {
            failures.push_back({statement, error.what()});
        }
    }
    return failures;
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

std::vector<ExecutionFailure> executeScript(Connection& target, ScriptBuffer& buffer) {
    buffer.clearDisplay();
    auto failures = executeAll(target, buffer.statements());
    buffer.setDisplayText(failureReport(failures));
    return failures;
}

void executeOne(Connection& target, const std::string& text) {
    target.execute(text);
}

} // namespace dbc
