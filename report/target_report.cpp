#include "report/target_report.h"

#include <algorithm>

namespace dbc::report {

TargetReport compareReport(std::string server, std::string database, const ScriptBuffer& script) {
    TargetReport target;
    target.server = std::move(server);
    target.database = std::move(database);
    target.differences = differencesOf(script.changes());
    target.statementsWritten = script.statements().size();
    return target;
}

std::size_t countOf(const TargetReport& target, DifferenceKind kind) {
    return std::size_t(std::count_if(
        target.differences.begin(), target.differences.end(),
        [&](const Difference& d) { return d.kind == kind && d.presence != Presence::Rebuilt; }));
}

} // namespace dbc::report
