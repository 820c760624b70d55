#include "cli/targets_summary.h"

#include <algorithm>
#include <sstream>

namespace dbc::cli {

namespace {

const char* stateWord(TargetState state) {
    switch (state) {
    case TargetState::NotRun:
        return "not run";
    case TargetState::Compared:
        return "compared";
    case TargetState::Executed:
        return "executed";
    case TargetState::Unreachable:
        return "connection error";
    case TargetState::Failed:
        return "failed";
    case TargetState::Stopped:
        return "stopped";
    }
    return "failed";
}

std::string targetName(const TargetLine& target) {
    return target.database + "@" + target.server;
}

} // namespace

std::string summaryTable(const std::vector<TargetOutcome>& outcomes) {
    using report::DifferenceKind;
    const std::vector<std::pair<const char*, DifferenceKind>> kinds{
        {"tables", DifferenceKind::Table},       {"columns", DifferenceKind::Column},
        {"indexes", DifferenceKind::IndexOrKey}, {"constraints", DifferenceKind::Constraint},
        {"modules", DifferenceKind::Module},     {"defaults", DifferenceKind::Default},
        {"other", DifferenceKind::Other}};
    const bool executed = std::any_of(outcomes.begin(), outcomes.end(),
                                      [](const auto& o) { return o.report.execution.has_value(); });
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> header{"target", "result"};
    for (const auto& kind : kinds)
        header.push_back(kind.first);
    header.push_back("statements");
    if (executed)
        header.push_back("refused");
    rows.push_back(header);
    for (const TargetOutcome& o : outcomes) {
        std::vector<std::string> row{targetName(o.target), stateWord(o.state)};
        const bool compared = o.state == TargetState::Compared ||
                              o.state == TargetState::Executed || o.state == TargetState::Stopped;
        for (const auto& kind : kinds)
            row.push_back(compared ? std::to_string(report::countOf(o.report, kind.second)) : "-");
        row.push_back(compared ? std::to_string(o.report.statementsWritten) : "-");
        if (executed)
            row.push_back(o.report.execution ? std::to_string(o.report.execution->refused) : "-");
        rows.push_back(std::move(row));
    }
    std::vector<std::size_t> widths(header.size(), 0);
    for (const auto& row : rows) {
        for (std::size_t i = 0; i < row.size(); ++i)
            widths[i] = std::max(widths[i], row[i].size());
    }
    std::ostringstream out;
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t i = 0; i < row.size(); ++i) {
            // Names and words to the left, counts to the right.
            const std::string pad(widths[i] - row[i].size(), ' ');
            line += (i ? "  " : "") + (i < 2 ? row[i] + pad : pad + row[i]);
        }
        line.erase(line.find_last_not_of(' ') + 1);
        out << line << '\n';
    }
    std::string notRun;
    for (const TargetOutcome& o : outcomes) {
        if (!o.error.empty())
            out << targetName(o.target) << ": " << o.error << '\n';
        if (o.state == TargetState::NotRun)
            notRun += (notRun.empty() ? "" : ", ") + targetName(o.target);
    }
    if (!notRun.empty())
        out << "stopped by Ctrl+C; not run: " << notRun << '\n';
    return out.str();
}

int worstStatus(const std::vector<TargetOutcome>& outcomes) {
    // A run Ctrl+C cut short says so whatever the targets gave; among the
    // others the highest status stands (6, values would be lost, included).
    int worst = 0;
    for (const TargetOutcome& o : outcomes) {
        const int status = o.state == TargetState::NotRun ? interruptedStatus : o.exitStatus;
        if (status == interruptedStatus)
            return interruptedStatus;
        worst = std::max(worst, status);
    }
    return worst;
}

} // namespace dbc::cli
