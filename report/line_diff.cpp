#include "report/line_diff.h"

#include "script/script_buffer.h"

#include <dtl/dtl.hpp>

namespace dbc::report {

std::vector<DiffLine> lineDiff(const std::string& target, const std::string& source) {
    const std::vector<std::string> from =
        target.empty() ? std::vector<std::string>{} : splitLines(target);
    const std::vector<std::string> to =
        source.empty() ? std::vector<std::string>{} : splitLines(source);
    dtl::Diff<std::string, std::vector<std::string>> diff(from, to);
    // Long texts with few common lines are diffed in bounded time, giving a
    // longer (still correct) edit script.
    diff.enableHuge();
    diff.compose();
    std::vector<DiffLine> lines;
    for (const auto& [text, info] : diff.getSes().getSequence()) {
        const DiffLine::Op op = info.type == dtl::SES_ADD      ? DiffLine::OnlyInSource
                                : info.type == dtl::SES_DELETE ? DiffLine::OnlyInTarget
                                                               : DiffLine::Same;
        lines.push_back({op, text});
    }
    return lines;
}

} // namespace dbc::report
