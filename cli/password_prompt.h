#pragma once

#include <string>

namespace dbc::cli {

// Reads a password from the terminal without echo. Returns std::nullopt-like
// empty text when standard input is not a terminal.
std::string promptPassword(const char* prompt);

// True when standard input is a terminal (a prompt can be answered).
bool standardInputIsTerminal();

} // namespace dbc::cli
