#include "tests/support/tsv_cases.h"

#include <algorithm>
#include <fstream>
#include <stdexcept>

namespace dbc {

namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string decodeField(std::string_view raw, const std::string& where) {
    std::string field;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] != '\\') {
            field += raw[i];
            continue;
        }
        const char kind = i + 1 < raw.size() ? raw[i + 1] : '\0';
        if (kind == 't' || kind == 'n' || kind == '\\') {
            field += kind == 't' ? '\t' : kind == 'n' ? '\n' : '\\';
            i += 1;
        } else if (kind == 'x' && i + 3 < raw.size() && hexDigit(raw[i + 2]) >= 0 &&
                   hexDigit(raw[i + 3]) >= 0) {
            field += static_cast<char>(hexDigit(raw[i + 2]) * 16 + hexDigit(raw[i + 3]));
            i += 3;
        } else {
            throw std::runtime_error(where + ": malformed escape");
        }
    }
    return field;
}

} // namespace

std::vector<CaseLine> readCaseFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw std::runtime_error("cannot read case file " + path);
    std::vector<CaseLine> cases;
    std::string text;
    for (int number = 1; std::getline(file, text); ++number) {
        if (!text.empty() && text.back() == '\r')
            text.pop_back();
        if (text.empty() || text.front() == '#')
            continue;
        CaseLine line{number, {}};
        const std::string where = path + ":" + std::to_string(number);
        std::size_t start = 0;
        for (std::size_t tab; (tab = text.find('\t', start)) != std::string::npos; start = tab + 1)
            line.fields.push_back(
                decodeField(std::string_view(text).substr(start, tab - start), where));
        line.fields.push_back(decodeField(std::string_view(text).substr(start), where));
        cases.push_back(std::move(line));
    }
    return cases;
}

std::vector<std::filesystem::path> caseFilesIn(const std::filesystem::path& directory,
                                               std::string_view extension) {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(directory)) {
        if (entry.path().extension() == extension)
            files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::string caseFilePath(std::string_view pathUnderTests) {
    return std::string(DBCOMPARE_SOURCE_DIR) + "/tests/" + std::string(pathUnderTests);
}

} // namespace dbc
