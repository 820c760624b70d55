#include "script/script_file.h"

#include "script/script_buffer.h"

#include <array>
#include <cctype>

namespace dbc {

namespace {

bool isBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

// The length of the Unicode blank (UTF-8) at the start of `text`, 0 when
// none: a client that trims wide blanks too must not find a command behind
// one.
std::size_t unicodeBlankLength(std::string_view text) {
    static constexpr std::array<std::string_view, 8> blanks = {
        "\xc2\xa0",     "\xe3\x80\x80", "\xef\xbb\xbf", "\xe2\x80\xaf",
        "\xe2\x81\x9f", "\xe1\x9a\x80", "\xe2\x80\xa8", "\xe2\x80\xa9"};
    for (std::string_view blank : blanks) {
        if (text.substr(0, blank.size()) == blank)
            return blank.size();
    }
    // U+2000 to U+200B
    if (text.size() >= 3 && text[0] == '\xe2' && text[1] == '\x80' &&
        static_cast<unsigned char>(text[2]) >= 0x80 && static_cast<unsigned char>(text[2]) <= 0x8b)
        return 3;
    return 0;
}

bool isLetter(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) != 0;
}

bool sameLetters(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

bool needsExecForm(const std::string& statement) {
    if (statement.find("$(") != std::string::npos)
        return true;
    for (const std::string& line : splitLines(statement)) {
        if (readsAsClientCommand(line))
            return true;
    }
    return false;
}

bool isUseStatement(const std::string& statement) {
    std::size_t i = 0;
    while (i < statement.size() &&
           (isBlank(statement[i]) || statement[i] == '\r' || statement[i] == '\n'))
        ++i;
    return statement.size() > i + 3 && sameLetters(statement.substr(i, 3), "use") &&
           !isLetter(statement[i + 3]) && statement[i + 3] != '_';
}

// The most UTF-16 code units one literal holds: 4,000 is what an nvarchar
// literal holds on every SQL Server version; EXEC joins the literals
// without a limit.
constexpr std::size_t kLiteralUnits = 4000;

// How many UTF-16 code units the character whose UTF-8 form starts with
// `lead` takes: 2 beyond the Basic Multilingual Plane, 0 for a continuation
// byte (counted with its lead).
std::size_t utf16Units(char lead) {
    const auto byte = static_cast<unsigned char>(lead);
    if ((byte & 0xC0) == 0x80)
        return 0;
    return byte >= 0xF0 ? 2 : 1;
}

// EXEC (N'...' + N'...'): the statement's characters in literals, each
// quote doubled. A literal ends after each line end (CR, LF or CR LF), so
// the next line of the file begins with the quote that closes it; before a
// line end that follows a backslash, which would join the two lines inside
// a literal; between "$" and "("; and before it would exceed 4,000 code
// units, never inside a character.
std::string execForm(const std::string& statement) {
    std::string out = "EXEC (N'";
    std::size_t units = 0;
    const auto nextLiteral = [&out, &units] {
        out += "' + N'";
        units = 0;
    };
    const auto append = [&](char c) {
        const std::size_t size = utf16Units(c);
        if (size > 0 && units + size > kLiteralUnits)
            nextLiteral();
        units += size;
        out += c;
    };
    for (std::size_t i = 0; i < statement.size(); ++i) {
        const char c = statement[i];
        if (c == '\r' || c == '\n') {
            if (i > 0 && statement[i - 1] == '\\')
                nextLiteral();
            append(c);
            if (c == '\r' && i + 1 < statement.size() && statement[i + 1] == '\n')
                append(statement[++i]);
            if (i + 1 < statement.size())
                nextLiteral();
            continue;
        }
        append(c);
        if (c == '\'')
            out += '\'';
        else if (c == '$' && i + 1 < statement.size() && statement[i + 1] == '(')
            nextLiteral();
    }
    out += "')";
    return out;
}

} // namespace

bool readsAsClientCommand(std::string_view line) {
    std::size_t i = 0;
    while (i < line.size()) {
        if (isBlank(line[i]))
            ++i;
        else if (const std::size_t wide = unicodeBlankLength(line.substr(i)))
            i += wide;
        else
            break;
    }
    if (i == line.size())
        return false;
    if (line[i] == ':' || line[i] == '!')
        return true;
    std::size_t end = i;
    while (end < line.size() && isLetter(line[end]))
        ++end;
    if (end < line.size() && line[end] == '_')
        return false;
    static constexpr std::array<std::string_view, 7> commands = {"go", "exit", "quit",   "reset",
                                                                 "ed", "bye",  "version"};
    const std::string_view word = line.substr(i, end - i);
    for (std::string_view command : commands) {
        if (sameLetters(word, command))
            return true;
    }
    return false;
}

std::string fileFormOfStatement(const std::string& statement) {
    if (!needsExecForm(statement))
        return statement;
    if (isUseStatement(statement))
        throw ScriptFileError("the database name in \"" + splitLines(statement).front() +
                              "...\" holds a line that a query tool would read as a command of "
                              "its own; the script cannot be written as a file");
    return execForm(statement);
}

namespace {

void appendStatement(std::string& text, const std::string& statement) {
    text += fileFormOfStatement(statement);
    text += '\n';
    text += ScriptBuffer::separator;
    text += '\n';
}

} // namespace

std::string scriptFileText(const std::vector<std::string>& statements) {
    std::string text;
    for (const std::string& statement : statements)
        appendStatement(text, statement);
    return text;
}

std::string scriptFileText(const ScriptBuffer& script) {
    const auto& statements = script.statements();
    const auto& notes = script.notes();
    std::string text;
    auto note = notes.begin();
    for (std::size_t i = 0; i <= statements.size(); ++i) {
        // A note's text is one line starting "-- ", control bytes escaped,
        // so it can never read as a separator.
        for (; note != notes.end() && note->afterStatements == i; ++note)
            text += note->text + '\n';
        if (i < statements.size())
            appendStatement(text, statements[i]);
    }
    return text;
}

} // namespace dbc
