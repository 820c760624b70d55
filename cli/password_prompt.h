#pragma once

#include <stdexcept>
#include <string>

namespace dbc::cli {

// The user cancelled the prompt: Ctrl-D (end of input) before a line end,
// or Ctrl-C, SIGTERM or a hang-up while it waited. The terminal is as it
// was before the prompt.
class PasswordPromptCancelled : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads a password from the terminal without echo, up to the line end.
// Returns empty text when standard input is not a terminal. Whatever ends
// the prompt (the line, Ctrl-D, a signal, an error), the terminal's echo is
// restored; Ctrl-D, Ctrl-C, SIGTERM and SIGHUP throw PasswordPromptCancelled.
std::string promptPassword(const char* prompt);

// True when standard input is a terminal (a prompt can be answered).
bool standardInputIsTerminal();

} // namespace dbc::cli
