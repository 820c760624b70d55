#include "report/json_report.h"

#include "report/line_diff.h"

#include <nlohmann/json.hpp>

namespace dbc::report {

namespace {

using nlohmann::json;

json optionalText(const std::optional<std::string>& text) {
    return text ? json(*text) : json(nullptr);
}

json differenceJson(const Difference& d) {
    json fields = json::array();
    for (const DefinitionField& f : d.fields)
        fields.push_back(
            {{"name", f.name}, {"source", f.source}, {"target", f.target}, {"differs", f.differs}});
    json out{{"kind", kindKey(d.kind)},
             {"presence", presenceKey(d.presence)},
             {"objectType", d.objectType},
             {"table", d.table},
             {"name", d.name},
             {"fields", std::move(fields)},
             {"sourceText", optionalText(d.sourceText)},
             {"targetText", optionalText(d.targetText)},
             {"targetTextUnreadable", d.targetTextUnreadable},
             {"statements", d.statements}};
    if (d.sourceText && d.targetText) {
        json lines = json::array();
        for (const DiffLine& line : lineDiff(*d.targetText, *d.sourceText)) {
            const char* op = line.op == DiffLine::OnlyInSource   ? "+"
                             : line.op == DiffLine::OnlyInTarget ? "-"
                                                                 : "=";
            lines.push_back({{"op", op}, {"text", line.text}});
        }
        out["lineDiff"] = std::move(lines);
    }
    return out;
}

json targetJson(const TargetReport& t) {
    json counts = json::object();
    for (DifferenceKind kind : differenceKinds)
        counts[kindKey(kind)] = countOf(t, kind);
    json differences = json::array();
    for (const Difference& d : t.differences)
        differences.push_back(differenceJson(d));
    json execution = nullptr;
    if (t.execution)
        execution = {{"statements", t.execution->statements},
                     {"refused", t.execution->refused},
                     {"connectionLostAt", t.execution->connectionLostAt},
                     {"stoppedBefore", t.execution->stoppedBefore}};
    return {{"server", t.server},
            {"database", t.database},
            {"reachable", t.reachable},
            {"error", optionalText(t.error)},
            {"statementsWritten", t.statementsWritten},
            {"counts", std::move(counts)},
            {"differences", std::move(differences)},
            {"execution", std::move(execution)}};
}

} // namespace

std::string renderJsonReport(const ReportSource& source, const std::vector<TargetReport>& targets) {
    json list = json::array();
    for (const TargetReport& t : targets)
        list.push_back(targetJson(t));
    const json document{{"format", "dbcompare-report"},
                        {"version", jsonReportVersion},
                        {"generatedAt", source.generatedAt},
                        {"source",
                         {{"snapshotFile", source.snapshotFile},
                          {"server", source.server},
                          {"database", source.database},
                          {"capturedAt", source.capturedAt}}},
                        {"targets", std::move(list)}};
    // Catalog texts are not always valid UTF-8; such bytes become U+FFFD
    // rather than failing the report.
    return document.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

} // namespace dbc::report
