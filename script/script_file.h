#pragma once

#include "script/script_buffer.h"

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// The script as a file for a query tool (sqlcmd, osql, tsql, a query window):
// such a client cuts the file into batches at every line that reads as its
// batch separator ("GO", in any letter case, with blanks, a count or a
// comment after it) and takes some other lines as its own commands (":r",
// "!!", "exit", "quit", "reset", "ed"; sqlcmd also replaces "$(name)"
// anywhere). The file form runs each statement as its own batch, so the
// file has exactly the effect of "执 行", and no line in it other than its
// own separators reads as anything but Transact-SQL text.

namespace dbc {

// A statement that cannot be written so that a query tool runs it as it is:
// a "use" whose database name would read as a client command.
class ScriptFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// True when a query tool could take `line` (one line, no line end) as a
// batch separator or a command of its own rather than as Transact-SQL: after
// leading blanks it begins with ":" or "!", or with the word go, exit, quit,
// reset, ed, bye or version (any letter case) not followed by a letter.
// Errs on the side of true.
bool readsAsClientCommand(std::string_view line);

// A statement as the file writes it: as it is when none of its lines reads as
// a client command and it holds no "$(", else as EXEC (N'...' + N'...') whose
// literals end at each line end (and between "$" and "(", and between a "\"
// and the line end after it, which a literal would otherwise swallow), so
// every line of it after the first begins with a quote. Throws
// ScriptFileError for such a "use" statement, which EXEC would confine to
// its own batch.
std::string fileFormOfStatement(const std::string& statement);

// The whole file: each statement in its file form followed by a line "Go",
// every line ended by "\n". Empty for no statements.
std::string scriptFileText(const std::vector<std::string>& statements);

// The file of a compare's script: its statements as above, and the comment
// lines of the differences it cannot make where they stand among them.
std::string scriptFileText(const ScriptBuffer& script);

} // namespace dbc
