#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace dbc {

// One case of a case file: its tab-separated fields, escapes decoded, and the
// line it stands on, for messages.
struct CaseLine {
    int number = 0;
    std::vector<std::string> fields;
};

// Shows a case in a test's failure message: its line and fields.
inline void PrintTo(const CaseLine& line, std::ostream* out) {
    *out << "line " << line.number << ':';
    for (const std::string& field : line.fields)
        *out << " [" << field << ']';
}

// The cases of a tab-separated case file. Blank lines and lines starting with
// "#" are skipped. In a field, "\t" is a tab, "\n" a line end, "\\" a
// backslash and "\xHH" the byte HH. Throws when the file cannot be read or an
// escape is malformed, naming the file and line.
std::vector<CaseLine> readCaseFile(const std::string& path);

// The files in `directory` whose names end in `extension` (".cases"), in
// path order, so cases run in the same order everywhere.
std::vector<std::filesystem::path> caseFilesIn(const std::filesystem::path& directory,
                                               std::string_view extension);

// The path of a file under tests/ in the source tree.
std::string caseFilePath(std::string_view pathUnderTests);

// Names a GoogleTest parameter after its case: "line" + its line number.
struct CaseLineName {
    template <class ParamInfo> std::string operator()(const ParamInfo& info) const {
        return "line" + std::to_string(info.param.number);
    }
};

} // namespace dbc
