#include "tests/testserver_engine/case_file.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace testserver::test {

namespace {

bool startsWith(const std::string& text, const std::string& prefix) {
    return text.rfind(prefix, 0) == 0;
}

bool isGo(std::string line) {
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t' || line.back() == '\r'))
        line.pop_back();
    return line == "GO" || line == "go" || line == "Go";
}

} // namespace

std::vector<CaseEntry> readCaseFile(const std::filesystem::path& path) {
    std::ifstream in(path);
    if (!in)
        throw std::runtime_error("cannot read " + path.string());
    std::vector<CaseEntry> cases;
    std::string batch;
    auto endBatch = [&] {
        if (!cases.empty() && batch.find_first_not_of(" \t\r\n") != std::string::npos)
            cases.back().batches.push_back(batch);
        batch.clear();
    };
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (startsWith(line, "== ")) {
            endBatch();
            cases.emplace_back();
            cases.back().title = line.substr(3);
            cases.back().line = number;
        } else if (line.empty() || startsWith(line, "#") || cases.empty()) {
            continue;
        } else if (startsWith(line, "use ")) {
            cases.back().database = line.substr(4);
        } else if (startsWith(line, "-> ")) {
            cases.back().rows.push_back(line.substr(3));
        } else if (startsWith(line, "!! ") || startsWith(line, "!? ")) {
            std::istringstream numbers(line.substr(3));
            for (int value = 0; numbers >> value;)
                cases.back().refusal.push_back(value);
            cases.back().refusalBeforeLast = startsWith(line, "!?");
        } else if (startsWith(line, "! ")) {
            cases.back().refusalText = line.substr(2);
        } else if (startsWith(line, ">> ")) {
            cases.back().infoMessages.push_back(line.substr(3));
        } else if (isGo(line)) {
            endBatch();
        } else {
            batch += (batch.empty() ? "" : "\n") + line;
        }
    }
    endBatch();
    for (const CaseEntry& entry : cases)
        if (entry.batches.empty())
            throw std::runtime_error(path.string() + ":" + std::to_string(entry.line) + ": '" +
                                     entry.title + "' has no SQL");
    return cases;
}

void PrintTo(const CaseEntry& entry, std::ostream* out) {
    *out << "line " << entry.line << ": " << entry.title;
}

std::string caseName(const CaseEntry& entry) {
    std::string name;
    bool upper = true;
    for (char c : entry.title) {
        bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!letter) {
            upper = true;
            continue;
        }
        name += upper && c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        upper = false;
    }
    return name + "_L" + std::to_string(entry.line);
}

} // namespace testserver::test
