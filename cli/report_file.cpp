#include "cli/report_file.h"

#include "cli/output_file.h"
#include "report/html_report.h"
#include "report/json_report.h"
#include "snapshot/snapshot_info.h"
#include "snapshot/snapshot_store.h"

#include <algorithm>
#include <cctype>

namespace dbc::cli {

namespace {

bool endsWith(std::string text, const std::string& ending) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return text.size() > ending.size() &&
           text.compare(text.size() - ending.size(), ending.size(), ending) == 0;
}

} // namespace

bool isReportFileName(const std::string& path) {
    return endsWith(path, ".html") || endsWith(path, ".json");
}

report::ReportSource reportSourceOf(const std::filesystem::path& snapshot,
                                    const std::filesystem::path& shownPath) {
    report::ReportSource source;
    source.snapshotFile = shownPath.string();
    auto store = SnapshotStore::openForReading(snapshot);
    const CaptureState state = readCaptureState(store->connection());
    if (state.described) {
        source.server = state.info.server;
        source.database = state.info.database;
        source.capturedAt = state.info.capturedAt;
    }
    source.generatedAt = utcNow();
    return source;
}

void writeReportFile(const std::filesystem::path& path, const report::ReportSource& source,
                     const std::vector<report::TargetReport>& targets) {
    const bool json = endsWith(path.string(), ".json");
    writeFileWhole(path, json ? report::renderJsonReport(source, targets)
                              : report::renderHtmlReport(source, targets));
}

} // namespace dbc::cli
