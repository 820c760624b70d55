// The script's file form over the cases of script_file.tsv, and what no
// file may hold: a line other than its own "Go" lines that a query tool
// would read as its own.

#include "script/change.h"
#include "script/script_buffer.h"
#include "script/script_file.h"
#include "tests/support/tsv_cases.h"

#include <gtest/gtest.h>

namespace dbc {
namespace {

std::vector<CaseLine> cases() {
    return readCaseFile(caseFilePath("script/cases/script_file.tsv"));
}

class ScriptFileCase : public testing::TestWithParam<CaseLine> {};

TEST_P(ScriptFileCase, GivesWhatTheCaseExpects) {
    const auto& f = GetParam().fields;
    ASSERT_GE(f.size(), 2u);
    if (f[0] == "line") {
        ASSERT_EQ(f.size(), 3u);
        ASSERT_TRUE(f[2] == "command" || f[2] == "sql") << f[2];
        EXPECT_EQ(readsAsClientCommand(f[1]), f[2] == "command");
    } else if (f[0] == "form") {
        ASSERT_EQ(f.size(), 3u);
        EXPECT_EQ(fileFormOfStatement(f[1]), f[2]);
    } else if (f[0] == "refused") {
        ASSERT_EQ(f.size(), 2u);
        EXPECT_THROW(fileFormOfStatement(f[1]), ScriptFileError);
    } else {
        FAIL() << "unknown kind of case: " << f[0];
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ScriptFileCase, testing::ValuesIn(cases()), CaseLineName());

// Every case's text, in the middle of a module and of a name, makes a file
// whose only separator lines are its own, one after each statement.
TEST(ScriptFile, NoLineButItsOwnSeparatorsReadsAsAClientCommand) {
    std::vector<std::string> statements{"use hrms"};
    for (const CaseLine& c : cases()) {
        if (c.fields[0] == "refused")
            continue;
        statements.push_back("CREATE PROCEDURE p AS\r\n" + c.fields[1] + "\r\nSELECT 1");
        statements.push_back("Alter Table [t\n" + c.fields[1] + "\n] Add c int NULL");
        statements.push_back(c.fields[1]);
    }
    const std::string text = scriptFileText(statements);
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.back(), '\n');
    EXPECT_EQ(text.find("$("), std::string::npos);
    std::size_t separators = 0;
    for (const std::string& line : splitLines(text)) {
        if (line == ScriptBuffer::separator)
            ++separators;
        else
            EXPECT_FALSE(readsAsClientCommand(line)) << line;
    }
    EXPECT_EQ(separators, statements.size());
    EXPECT_EQ(text.rfind("use hrms\nGo\n", 0), 0u);
}

// The literals of an EXEC (N'...' + N'...') form, quotes undoubled; empty
// when `form` is not one.
std::vector<std::string> literalsOf(const std::string& form) {
    std::vector<std::string> literals;
    if (form.rfind("EXEC (N'", 0) != 0)
        return literals;
    std::size_t i = 8;
    for (;;) {
        std::string literal;
        while (i < form.size()) {
            if (form[i] == '\'' && i + 1 < form.size() && form[i + 1] == '\'') {
                literal += '\'';
                i += 2;
            } else if (form[i] == '\'') {
                break;
            } else {
                literal += form[i++];
            }
        }
        literals.push_back(literal);
        if (form.compare(i, 6, "' + N'") == 0) {
            i += 6;
            continue;
        }
        EXPECT_EQ(form.substr(i), "')");
        return literals;
    }
}

std::size_t utf16Length(const std::string& text) {
    std::size_t units = 0;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte & 0xC0) != 0x80)
            units += byte >= 0xF0 ? 2 : 1;
    }
    return units;
}

// What the server receives is the statement itself, in literals an nvarchar
// constant holds on every version, each a whole number of characters.
TEST(ScriptFile, TheExecFormCarriesTheStatementUnchanged) {
    std::vector<std::string> statements;
    for (const CaseLine& c : cases()) {
        if (c.fields[0] == "form")
            statements.push_back(c.fields[1]);
    }
    const std::string wide = "\xf0\x9f\x98\x80"; // beyond the BMP: two units
    statements.push_back("CREATE PROCEDURE p AS\nGO\n-- " + std::string(3995, 'x') + wide +
                         std::string(5000, '\'') + "\n" + std::string(4000, 'y'));
    std::size_t execForms = 0;
    for (const std::string& statement : statements) {
        const std::string form = fileFormOfStatement(statement);
        const auto literals = literalsOf(form);
        if (literals.empty()) {
            EXPECT_EQ(form, statement);
            continue;
        }
        ++execForms;
        std::string joined;
        for (const std::string& literal : literals) {
            EXPECT_LE(utf16Length(literal), 4000u);
            joined += literal;
        }
        EXPECT_EQ(joined, statement);
    }
    EXPECT_GE(execForms, 5u);
}

TEST(ScriptFile, NoStatementsMakeAnEmptyFile) {
    EXPECT_EQ(scriptFileText(std::vector<std::string>{}), "");
}

// A difference the script cannot make keeps its comment line in the file,
// where it stands among the statements, and never becomes a batch.
TEST(ScriptFile, CommentLinesOfUnscriptedChangesStandWhereTheyStood) {
    ScriptBuffer buffer;
    buffer.add({UseDatabase{"hrms"}});
    buffer.add({UnscriptedChange{"Emp.Salary\nGO", "why"}, true});
    buffer.add({DropColumn{"Emp", "Old"}, true});
    EXPECT_EQ(scriptFileText(buffer),
              "use hrms\nGo\n-- Emp.Salary\\x0AGO: why\nAlter Table Emp Drop Column Old \nGo\n");
}

} // namespace
} // namespace dbc
