#include "cli/password_prompt.h"

#include "cli/standard_output.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <termios.h>
#include <unistd.h>

namespace dbc::cli {

namespace {

std::atomic<int> g_interruptedBy{0};

extern "C" void onPromptSignal(int signal) {
    g_interruptedBy.store(signal);
}

// While it lives, Ctrl-C, SIGTERM, SIGHUP and SIGQUIT only interrupt the
// read of the prompt (no SA_RESTART), so the terminal can be put back before
// the program ends.
class PromptSignals {
public:
    PromptSignals() {
        g_interruptedBy.store(0);
        struct sigaction action {};
        action.sa_handler = onPromptSignal;
        sigemptyset(&action.sa_mask);
        for (std::size_t i = 0; i < kSignals.size(); ++i)
            sigaction(kSignals[i], &action, &m_previous[i]);
    }
    ~PromptSignals() {
        for (std::size_t i = 0; i < kSignals.size(); ++i)
            sigaction(kSignals[i], &m_previous[i], nullptr);
    }
    PromptSignals(const PromptSignals&) = delete;
    PromptSignals& operator=(const PromptSignals&) = delete;

    static int interruptedBy() noexcept { return g_interruptedBy.load(); }

private:
    static constexpr std::array<int, 4> kSignals = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
    std::array<struct sigaction, 4> m_previous{};
};

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
            tcsetattr(STDIN_FILENO, TCSANOW, &m_saved);
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

private:
    termios m_saved{};
    bool m_active = false;
};

std::string signalName(int signal) {
    switch (signal) {
    case SIGINT:
        return "Ctrl-C";
    case SIGTERM:
        return "SIGTERM";
    case SIGHUP:
        return "the terminal hung up";
    default:
        return "a signal";
    }
}

std::string readHidden() {
    PromptSignals signals;
    EchoOff echoOff;
    std::string password;
    for (;;) {
        if (const int signal = PromptSignals::interruptedBy())
            throw PasswordPromptCancelled("the password prompt was cancelled (" +
                                          signalName(signal) + "); nothing was done");
        char c = 0;
        const ssize_t got = ::read(STDIN_FILENO, &c, 1);
        if (got == 1) {
            if (c == '\n')
                return password;
            password += c;
        } else if (got == 0) {
            throw PasswordPromptCancelled(
                "the password prompt was cancelled (end of input, Ctrl-D); nothing was done");
        } else if (errno != EINTR) {
            throw PasswordPromptCancelled(std::string("the password could not be read: ") +
                                          std::strerror(errno));
        }
    }
}

} // namespace

bool standardInputIsTerminal() {
    return isatty(STDIN_FILENO) != 0;
}

std::string promptPassword(const char* prompt) {
    if (!standardInputIsTerminal())
        return {};
    writeStandardError(prompt);
    try {
        std::string password = readHidden();
        writeStandardError("\n");
        return password;
    } catch (...) {
        writeStandardError("\n");
        throw;
    }
}

} // namespace dbc::cli
