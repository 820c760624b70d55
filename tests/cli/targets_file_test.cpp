// The targets and passwords files of a many-targets run, read from the cases
// in targets_file_cases.txt.

#include "cli/passwords_file.h"
#include "cli/targets_file.h"

#include <gtest/gtest.h>

#include <fstream>

namespace dbc::cli {
namespace {

struct FileCase {
    int line = 0;
    std::string kind;
    std::string text;
    std::string expected;
};

void PrintTo(const FileCase& c, std::ostream* out) {
    *out << "line " << c.line;
}

std::string unescaped(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            const char next = text[++i];
            out += next == 'n' ? '\n' : next == 't' ? '\t' : next == 'r' ? '\r' : next;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    return first == std::string::npos ? ""
                                      : text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::vector<FileCase> readCases() {
    std::ifstream in(std::string(DBCOMPARE_SOURCE_DIR) + "/tests/cli/targets_file_cases.txt");
    std::vector<FileCase> cases;
    int number = 0;
    for (std::string line; std::getline(in, line);) {
        ++number;
        const auto arrow = line.rfind(" => ");
        if (line.empty() || line[0] == '#' || arrow == std::string::npos)
            continue;
        const auto blank = line.find(' ');
        cases.push_back({number, line.substr(0, blank),
                         unescaped(line.substr(blank + 1, arrow - blank - 1)),
                         trimmed(line.substr(arrow + 4))});
    }
    return cases;
}

std::vector<std::string> split(const std::string& text, const std::string& separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (auto at = text.find(separator); at != std::string::npos;
         at = text.find(separator, start)) {
        parts.push_back(text.substr(start, at - start));
        start = at + separator.size();
    }
    parts.push_back(text.substr(start));
    return parts;
}

// What the case's file reads as, in the form of its expectation.
std::string readAs(const FileCase& c) {
    std::vector<std::string> parts;
    if (c.kind == "targets") {
        for (const TargetLine& t : parseTargets(c.text, "targets.txt")) {
            std::string security =
                (t.encryption ? " encrypt=" + encryptionName(*t.encryption) : "") +
                (t.trustServerCertificate ? " -C" : "") + (t.integratedLogin ? " -E" : "");
            parts.push_back(t.server + "/" + t.database + "/" + t.user +
                            (security.empty() ? "" : " [" + security.substr(1) + "]"));
        }
    } else {
        const PasswordFile file = PasswordFile::parse(c.text, "pw.tsv");
        for (const std::string& lookup : split(c.expected.substr(3), " ; ")) {
            const auto slash = lookup.find('/');
            const auto equals = lookup.find('=');
            const auto found =
                file.find(lookup.substr(0, slash), lookup.substr(slash + 1, equals - slash - 1));
            parts.push_back(lookup.substr(0, equals + 1) + (found ? *found : "-"));
        }
    }
    std::string joined = "ok";
    for (std::size_t i = 0; i < parts.size(); ++i)
        joined += (i ? " ; " : " ") + parts[i];
    return joined;
}

class TargetsFileTest : public ::testing::TestWithParam<FileCase> {};

TEST_P(TargetsFileTest, ReadsAsExpected) {
    const FileCase& c = GetParam();
    if (c.expected.rfind("ok", 0) == 0) {
        std::string expected = c.expected;
        EXPECT_EQ(readAs(c), unescaped(expected));
        return;
    }
    try {
        readAs(c);
        FAIL() << "accepted; expected: " << c.expected;
    } catch (const TargetsFileError& error) {
        const std::string message = error.what();
        EXPECT_NE(message.find(c.expected), std::string::npos) << message;
        EXPECT_EQ(message.find("secret"), std::string::npos) << message;
        EXPECT_EQ(message.find("pw"), message.find("pw.tsv")) << message;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, TargetsFileTest, ::testing::ValuesIn(readCases()),
                         [](const auto& test) { return "line" + std::to_string(test.param.line); });

} // namespace
} // namespace dbc::cli
