#include "cli/terminal_progress.h"

#include <algorithm>
#include <string>
#include <unistd.h>

namespace dbc::cli {

namespace {
// One name per CaptureStep, in its order.
constexpr const char* stepNames[] = {"columns",  "index keys", "procedures", "views",
                                     "triggers", "defaults",   "functions"};
constexpr int barWidth = 40;
} // namespace

TerminalProgress::TerminalProgress() : m_enabled(isatty(STDERR_FILENO) != 0) {}

TerminalProgress::~TerminalProgress() {
    if (m_enabled && m_started)
        std::fputs("\n", stderr);
}

void TerminalProgress::stepStarted(CaptureStep step, int minimum, int maximum) {
    m_started = true;
    m_step = step;
    m_minimum = minimum;
    m_maximum = maximum;
    m_position = minimum;
    m_drawnPercent = -1;
    draw(true);
}

void TerminalProgress::advanced() {
    ++m_position;
    draw(false);
}

void TerminalProgress::draw(bool force) {
    if (!m_enabled)
        return;
    int span = std::max(m_maximum - m_minimum, 1);
    int percent = std::clamp((m_position - m_minimum) * 100 / span, 0, 100);
    if (!force && percent == m_drawnPercent)
        return;
    m_drawnPercent = percent;
    int filled = percent * barWidth / 100;
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.resize(barWidth, '.');
    const char* name = stepNames[static_cast<int>(m_step)];
    std::fprintf(stderr, "\r%-10s [%s] %3d%%", name, bar.c_str(), percent);
    std::fflush(stderr);
}

} // namespace dbc::cli
