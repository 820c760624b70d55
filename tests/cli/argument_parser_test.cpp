// The command-line parser over the cases of argument_cases.txt.

#include "cli/argument_parser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>

namespace dbc::cli {
namespace {

struct ArgumentCase {
    int line = 0;
    std::vector<std::string> arguments;
    std::string expected; // "ok ..." or a part of the error
};

std::ostream& operator<<(std::ostream& out, const ArgumentCase& c) {
    return out << "argument_cases.txt line " << c.line;
}

// Shell-like words: blanks separate, single quotes keep blanks, '' is empty.
std::vector<std::string> words(const std::string& text) {
    std::vector<std::string> result;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (char c : text) {
        if (c == '\'') {
            quoted = !quoted;
            inWord = true;
        } else if (c == ' ' && !quoted) {
            if (inWord)
                result.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        result.push_back(word);
    return result;
}

std::vector<ArgumentCase> loadCases() {
    std::ifstream in(std::string(DBCOMPARE_SOURCE_DIR) + "/tests/cli/argument_cases.txt");
    std::vector<ArgumentCase> cases;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        auto arrow = line.find("=>");
        if (line.empty() || line[0] == '#' || arrow == std::string::npos)
            continue;
        std::string expected = line.substr(arrow + 2);
        expected.erase(0, expected.find_first_not_of(' '));
        cases.push_back({number, words(line.substr(0, arrow)), expected});
    }
    return cases;
}

std::map<std::string, std::string> fields(const ParsedCommand& parsed) {
    const ConnectionOptions& c = parsed.connection;
    return {{"server", c.server},
            {"database", c.database},
            {"user", c.user},
            {"password", c.password},
            {"store", parsed.store},
            {"output", parsed.outputFile},
            {"input", parsed.inputFile},
            {"sql", parsed.sql.substr(0, parsed.sql.find(' '))},
            {"dryrun", parsed.dryRun ? "1" : "0"},
            {"transaction", parsed.allOrNothing ? "1" : "0"},
            {"login", std::to_string(c.timeouts.loginSeconds)},
            {"query", std::to_string(c.timeouts.querySeconds)},
            {"statement", std::to_string(c.statementTimeoutSeconds)}};
}

// Subcommand names and option names may appear in an error; nothing else
// the user typed may.
bool mayBeEchoed(const std::string& argument) {
    static const std::vector<std::string> names{"capture",
                                                "compare",
                                                "execute",
                                                "exec-one",
                                                "show",
                                                "-S",
                                                "-d",
                                                "-U",
                                                "-P",
                                                "-o",
                                                "-i",
                                                "--store",
                                                "--dry-run",
                                                "--transaction",
                                                "--login-timeout",
                                                "--query-timeout",
                                                "--statement-timeout",
                                                "--password",
                                                "--database",
                                                "--server",
                                                "--user",
                                                "--output",
                                                "--input",
                                                "--"};
    return argument.size() < 2 || std::find(names.begin(), names.end(), argument) != names.end();
}

class ArgumentParser : public testing::TestWithParam<ArgumentCase> {};

TEST_P(ArgumentParser, ReadsTheCase) {
    const ArgumentCase& c = GetParam();
    if (c.expected.rfind("ok", 0) == 0) {
        ParsedCommand parsed;
        ASSERT_NO_THROW(parsed = parseArguments(c.arguments));
        auto actual = fields(parsed);
        for (const std::string& assignment : words(c.expected.substr(2))) {
            auto eq = assignment.find('=');
            ASSERT_NE(eq, std::string::npos) << assignment;
            EXPECT_EQ(actual[assignment.substr(0, eq)], assignment.substr(eq + 1)) << assignment;
        }
        return;
    }
    try {
        parseArguments(c.arguments);
        FAIL() << "accepted; expected: " << c.expected;
    } catch (const CommandLineError& error) {
        const std::string message = error.what();
        EXPECT_NE(message.find(c.expected), std::string::npos) << message;
        EXPECT_EQ(message.find('\n'), std::string::npos) << message;
        for (const std::string& argument : c.arguments) {
            if (!mayBeEchoed(argument)) {
                EXPECT_EQ(message.find(argument), std::string::npos)
                    << "the error repeats '" << argument << "': " << message;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ArgumentParser, testing::ValuesIn(loadCases()));

TEST(ArgumentParserHelp, NamesEveryOptionOfTheSubcommand) {
    ParsedCommand parsed = parseArguments({"execute", "--help"});
    EXPECT_EQ(parsed.subcommand, Subcommand::Help);
    for (const char* option :
         {"--server", "--password", "--store", "--dry-run", "--statement-timeout"})
        EXPECT_NE(parsed.helpText.find(option), std::string::npos) << option;
    EXPECT_EQ(parsed.helpText.find("--output"), std::string::npos) << parsed.helpText;
}

} // namespace
} // namespace dbc::cli
