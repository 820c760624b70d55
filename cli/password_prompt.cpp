#include "cli/password_prompt.h"

#include <cstdio>
#include <iostream>
#include <termios.h>
#include <unistd.h>

namespace dbc::cli {

namespace {

// Turns terminal echo off for its lifetime.
class EchoOff {
public:
    EchoOff() {
        if (tcgetattr(STDIN_FILENO, &m_saved) == 0) {
            termios quiet = m_saved;
            quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
            m_active = tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
        }
    }
    ~EchoOff() {
        if (m_active)
            tcsetattr(STDIN_FILENO, TCSAFLUSH, &m_saved);
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

private:
    termios m_saved{};
    bool m_active = false;
};

} // namespace

bool standardInputIsTerminal() {
    return isatty(STDIN_FILENO) != 0;
}

std::string promptPassword(const char* prompt) {
    if (!standardInputIsTerminal())
        return {};
    std::cerr << prompt << std::flush;
    std::string password;
    {
        EchoOff echoOff;
        std::getline(std::cin, password);
    }
    std::cerr << '\n';
    return password;
}

} // namespace dbc::cli
