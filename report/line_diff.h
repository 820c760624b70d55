#pragma once

#include <string>
#include <vector>

namespace dbc::report {

// One line of a line diff: in both texts, only in the target's (removed by
// the script) or only in the source's (added by it).
struct DiffLine {
    enum Op { Same, OnlyInTarget, OnlyInSource };
    Op op = Same;
    std::string text;
};

// The lines of `target` turned into the lines of `source` with the fewest
// removed and added lines (an edit script of the two line sequences, by the
// diff template library). Lines end at "\r\n", "\n" or "\r"; the line ends
// themselves are not compared.
std::vector<DiffLine> lineDiff(const std::string& target, const std::string& source);

} // namespace dbc::report
