#include "cli/report_file.h"

#include "cli/output_file.h"
#include "report/html_report.h"
#include "report/json_report.h"

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

void writeReportFile(const std::filesystem::path& path, const report::ReportSource& source,
                     const std::vector<report::TargetReport>& targets) {
    const bool json = endsWith(path.string(), ".json");
    writeFileWhole(path, json ? report::renderJsonReport(source, targets)
                              : report::renderHtmlReport(source, targets));
}

} // namespace dbc::cli
