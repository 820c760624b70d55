#pragma once

#include <string>
#include <vector>

namespace testserver::test {

struct ChildResult {
    int exitCode = -1;
    std::string out; // standard output and standard error, interleaved
};

// Runs a program (found on PATH) with `input` on its standard input and
// extra NAME=VALUE environment entries; waits for it to end.
ChildResult runChild(const std::vector<std::string>& argv, const std::string& input,
                     const std::vector<std::string>& environment = {});

} // namespace testserver::test
