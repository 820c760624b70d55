#pragma once

#include <cstddef>
#include <filesystem>
#include <map>
#include <ostream>
#include <set>
#include <string>
#include <vector>

namespace dbc {

// The cases of the files in a folder whose cases are catalog rows in
// sections and the statements expected:
//
//   case <name>
//   <section header>
//   <one row a line, fields split by "|", blanks around each trimmed>
//   ...
//   <a flag line, marking the case>
//   expect
//   <one expected line as written; none when nothing is expected>
//
// Blank lines and lines starting with "#" are skipped.
struct SectionCase {
    std::string name; // the file's stem, "_", the case's name
    std::map<std::string, std::vector<std::vector<std::string>>> sections;
    std::set<std::string> flags;
    std::vector<std::string> expected;

    // The rows of a section; none when the case lacks it.
    const std::vector<std::vector<std::string>>& rows(const std::string& section) const;
    bool has(const std::string& section) const { return sections.count(section) != 0; }
};

// What a test's case files may hold besides "case" and "expect".
struct SectionFormat {
    std::map<std::string, std::size_t> rowWidths; // section header -> fields a row
    std::set<std::string> flags;
};

// The cases of every DIRECTORY/*.cases file, files in name order. Throws
// std::runtime_error naming the file and line of anything the format does
// not allow (a row of the wrong width, a line outside any section).
std::vector<SectionCase> readSectionCases(const std::filesystem::path& directory,
                                          const SectionFormat& format);

// `text` split at each `separator`, blanks around each field trimmed.
std::vector<std::string> splitTrimmed(const std::string& text, char separator);

// gtest prints a case by its name.
inline void PrintTo(const SectionCase& c, std::ostream* out) {
    *out << c.name;
}

// Names a GoogleTest parameter after its case.
struct SectionCaseName {
    template <class ParamInfo> std::string operator()(const ParamInfo& info) const {
        return info.param.name;
    }
};

} // namespace dbc
