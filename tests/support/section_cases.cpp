#include "tests/support/section_cases.h"

#include "tests/support/tsv_cases.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace dbc {

namespace {

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

void readFile(const std::filesystem::path& path, const SectionFormat& format,
              std::vector<SectionCase>& cases) {
    std::ifstream in(path);
    if (!in)
        throw std::runtime_error("cannot read case file " + path.string());
    const std::size_t first = cases.size();
    std::string section;
    int number = 0;
    for (std::string line; std::getline(in, line);) {
        ++number;
        const std::string where = path.filename().string() + ":" + std::to_string(number);
        if (line.rfind("case ", 0) == 0) {
            cases.emplace_back();
            cases.back().name = path.stem().string() + "_" + line.substr(5);
            section.clear();
        } else if (trimmed(line).empty() || line.front() == '#') {
            continue;
        } else if (cases.size() == first) {
            throw std::runtime_error(where + ": text before the first case");
        } else if (format.flags.count(line)) {
            cases.back().flags.insert(line);
        } else if (line == "expect" || format.rowWidths.count(line)) {
            section = line;
            if (line != "expect")
                cases.back().sections[section];
        } else if (section == "expect") {
            cases.back().expected.push_back(line);
        } else if (!section.empty()) {
            auto fields = splitTrimmed(line, '|');
            const std::size_t width = format.rowWidths.at(section);
            if (fields.size() != width)
                throw std::runtime_error(where + ": a row of " + section + " has " +
                                         std::to_string(width) + " fields, not " +
                                         std::to_string(fields.size()));
            cases.back().sections[section].push_back(std::move(fields));
        } else {
            throw std::runtime_error(where + ": a line outside any section");
        }
    }
}

} // namespace

const std::vector<std::vector<std::string>>& SectionCase::rows(const std::string& section) const {
    static const std::vector<std::vector<std::string>> none;
    const auto found = sections.find(section);
    return found == sections.end() ? none : found->second;
}

std::vector<SectionCase> readSectionCases(const std::filesystem::path& directory,
                                          const SectionFormat& format) {
    std::vector<SectionCase> cases;
    for (const auto& file : caseFilesIn(directory, ".cases"))
        readFile(file, format, cases);
    return cases;
}

std::vector<std::string> splitTrimmed(const std::string& text, char separator) {
    std::vector<std::string> fields;
    std::stringstream in(text);
    for (std::string field; std::getline(in, field, separator);)
        fields.push_back(trimmed(field));
    if (!text.empty() && text.back() == separator)
        fields.emplace_back();
    return fields;
}

} // namespace dbc
