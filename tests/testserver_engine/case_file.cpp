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

// The message numbers of a "!! " or "!? " line; throws on anything else.
std::vector<int> messageNumbers(const std::string& text, const std::string& where) {
    std::istringstream numbers(text);
    std::vector<int> values;
    std::string word;
    while (numbers >> word) {
        if (word.find_first_not_of("0123456789") != std::string::npos)
            throw std::runtime_error(where + "not a message number: " + word);
        values.push_back(std::stoi(word));
    }
    if (values.empty())
        throw std::runtime_error(where + "no message number");
    return values;
}

// A line that starts like an expectation but is not one of the forms above.
bool looksLikeMalformedExpectation(const std::string& line) {
    for (const char* start : {"->", "!!", "!?", ">>", "=>", "=="})
        if (startsWith(line, start))
            return true;
    return line == "!";
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
        const std::string where = path.string() + ":" + std::to_string(number) + ": ";
        if (startsWith(line, "== ")) {
            endBatch();
            cases.emplace_back();
            cases.back().title = line.substr(3);
            cases.back().line = number;
        } else if (line.empty() || startsWith(line, "#")) {
            continue;
        } else if (cases.empty()) {
            throw std::runtime_error(where + "text before the first case");
        } else if (startsWith(line, "version ")) {
            try {
                cases.back().version = std::stoi(line.substr(8));
            } catch (const std::exception&) {
                throw std::runtime_error(where + "not a year: " + line);
            }
        } else if (startsWith(line, "use ")) {
            cases.back().database = line.substr(4);
        } else if (startsWith(line, "-> ")) {
            cases.back().rows.push_back(line.substr(3));
        } else if (startsWith(line, "!! ") || startsWith(line, "!? ")) {
            if (!cases.back().refusal.empty())
                throw std::runtime_error(where + "a second refusal line");
            cases.back().refusal = messageNumbers(line.substr(3), where);
            cases.back().refusalBeforeLast = startsWith(line, "!?");
        } else if (startsWith(line, "! ")) {
            cases.back().refusalText = line.substr(2);
        } else if (startsWith(line, ">> ")) {
            cases.back().infoMessages.push_back(line.substr(3));
        } else if (line == "=> no rows") {
            cases.back().noRows = true;
        } else if (looksLikeMalformedExpectation(line)) {
            throw std::runtime_error(where + "not a case line: " + line);
        } else if (isGo(line)) {
            endBatch();
        } else {
            batch += (batch.empty() ? "" : "\n") + line;
        }
    }
    endBatch();
    if (cases.empty())
        throw std::runtime_error(path.string() + " holds no case");
    for (const CaseEntry& entry : cases) {
        const std::string where =
            path.string() + ":" + std::to_string(entry.line) + ": '" + entry.title + "' ";
        if (entry.batches.empty())
            throw std::runtime_error(where + "has no SQL");
        if (entry.rows.empty() && entry.refusal.empty() && entry.infoMessages.empty() &&
            !entry.noRows)
            throw std::runtime_error(where +
                                     "states no expectation (->, !!, !?, >> or => no rows)");
        if (entry.noRows && !entry.rows.empty())
            throw std::runtime_error(where + "expects rows and no rows");
        if (entry.refusalText && entry.refusal.empty())
            throw std::runtime_error(where + "has a message text (!) without its numbers (!!)");
    }
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
