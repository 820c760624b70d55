// The command-line parser over the cases of argument_cases.txt.

#include "cli/argument_parser.h"
#include "data/connection_security.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>

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

// Every line is a comment, blank or a case: a file that cannot be read or a
// line without "=>" throws, failing the suite.
std::vector<ArgumentCase> loadCases() {
    const std::string file = std::string(DBCOMPARE_SOURCE_DIR) + "/tests/cli/argument_cases.txt";
    std::ifstream in(file);
    if (!in)
        throw std::runtime_error("cannot read " + file);
    std::vector<ArgumentCase> cases;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (line.empty() || line[0] == '#')
            continue;
        auto arrow = line.find("=>");
        if (arrow == std::string::npos)
            throw std::runtime_error(file + ":" + std::to_string(number) + ": no \"=>\": " + line);
        std::string expected = line.substr(arrow + 2);
        expected.erase(0, expected.find_first_not_of(' '));
        if (expected.empty())
            throw std::runtime_error(file + ":" + std::to_string(number) + ": nothing after =>");
        cases.push_back({number, words(line.substr(0, arrow)), expected});
    }
    if (cases.empty())
        throw std::runtime_error(file + " holds no case");
    return cases;
}

std::string subcommandName(Subcommand subcommand) {
    switch (subcommand) {
    case Subcommand::Help:
        return "help";
    case Subcommand::Version:
        return "version";
    case Subcommand::Capture:
        return "capture";
    case Subcommand::Compare:
        return "compare";
    case Subcommand::Execute:
        return "execute";
    case Subcommand::ExecOne:
        return "exec-one";
    case Subcommand::Show:
        return "show";
    }
    return "?";
}

std::map<std::string, std::string> fields(const ParsedCommand& parsed) {
    const ConnectionOptions& c = parsed.connection;
    return {{"command", subcommandName(parsed.subcommand)},
            {"server", c.server},
            {"database", c.database},
            {"user", c.user},
            {"password", c.password},
            {"passwordfile", c.passwordFile},
            {"store", parsed.store},
            {"output", parsed.outputFile},
            {"input", parsed.inputFile},
            {"sql", parsed.sql.substr(0, parsed.sql.find(' '))},
            {"dryrun", parsed.dryRun ? "1" : "0"},
            {"transaction", parsed.allOrNothing ? "1" : "0"},
            {"allowdataloss", parsed.allowDataLoss ? "1" : "0"},
            {"fillnewcolumns", parsed.fillNewColumns ? "1" : "0"},
            {"dropextra", parsed.dropExtra ? "1" : "0"},
            {"login", std::to_string(c.timeouts.loginSeconds)},
            {"query", std::to_string(c.timeouts.querySeconds)},
            {"statement", std::to_string(c.statementTimeoutSeconds)},
            {"targets", parsed.targetsFile},
            {"passwords", parsed.passwordsFile},
            {"out", parsed.outDir},
            {"jobs", std::to_string(parsed.jobs)},
            {"report", parsed.reportFile},
            {"driver", c.odbcDriver},
            {"encrypt", encryptionName(c.security.encryption)},
            {"trust", c.security.trustServerCertificate ? "1" : "0"},
            {"integrated", c.security.integratedLogin ? "1" : "0"}};
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
                                                "--allow-data-loss",
                                                "--fill-new-columns",
                                                "--drop-extra",
                                                "--login-timeout",
                                                "--query-timeout",
                                                "--statement-timeout",
                                                "--targets",
                                                "--passwords",
                                                "--jobs",
                                                "--out",
                                                "--report",
                                                "--password",
                                                "--password-file",
                                                "--database",
                                                "--server",
                                                "--user",
                                                "--output",
                                                "--input",
                                                "-E",
                                                "-C",
                                                "--encrypt",
                                                "--driver",
                                                "--"};
    return argument.size() < 2 || std::find(names.begin(), names.end(), argument) != names.end();
}

class ArgumentParser : public testing::TestWithParam<ArgumentCase> {};

TEST_P(ArgumentParser, ReadsTheCase) {
    const ArgumentCase& c = GetParam();
    if (c.expected.rfind("ok ", 0) == 0) {
        ParsedCommand parsed;
        ASSERT_NO_THROW(parsed = parseArguments(c.arguments));
        const auto actual = fields(parsed);
        const std::vector<std::string> expected = words(c.expected.substr(3));
        ASSERT_FALSE(expected.empty()) << "an ok case names the command parsed";
        EXPECT_EQ(actual.at("command"), expected.front()) << "the command parsed";
        for (std::size_t i = 1; i < expected.size(); ++i) {
            const std::string& assignment = expected[i];
            auto eq = assignment.find('=');
            ASSERT_NE(eq, std::string::npos) << assignment;
            auto field = actual.find(assignment.substr(0, eq));
            ASSERT_NE(field, actual.end()) << "no such field: " << assignment;
            EXPECT_EQ(field->second, assignment.substr(eq + 1)) << assignment;
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
         {"--server", "--password", "--store", "--dry-run", "--statement-timeout", "--encrypt",
          "--trust-server-certificate", "--integrated", "--driver"})
        EXPECT_NE(parsed.helpText.find(option), std::string::npos) << option;
    EXPECT_EQ(parsed.helpText.find("--output"), std::string::npos) << parsed.helpText;
}

} // namespace
} // namespace dbc::cli
