#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

namespace dbc::test {

// The whole content of a file. Throws std::runtime_error naming the file when
// it cannot be read, so a test never compares against a file that is not
// there. Header-only, like the scratch directory.
inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path.string());
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

// The fixture scripts' folder (tests/fixtures in the source tree).
inline std::filesystem::path fixturesDir() {
    return std::filesystem::path(DBCOMPARE_SOURCE_DIR) / "tests" / "fixtures";
}

} // namespace dbc::test
