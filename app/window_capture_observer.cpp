#include "window_capture_observer.h"

#include <QCoreApplication>
#include <QProgressBar>

namespace dbc {

namespace {
// Often enough for a bar that moves smoothly, rarely enough to cost nothing
// next to the capture itself.
constexpr qint64 repaintIntervalMs = 40;
} // namespace

WindowCaptureObserver::WindowCaptureObserver(QProgressBar& bar,
                                             std::function<void()> onColumnRowsWritten)
    : m_bar(bar), m_onColumnRowsWritten(std::move(onColumnRowsWritten)) {
    m_sinceRepaint.start();
}

void WindowCaptureObserver::stepStarted(CaptureStep, int minimum, int maximum) {
    m_bar.setRange(minimum, maximum);
    m_bar.setValue(minimum);
    m_bar.show();
    m_bar.repaint();
}

void WindowCaptureObserver::advanced() {
    // QProgressBar keeps the value within its range; the last step of a
    // range of n - 1 lands on n, as the original bar's position did.
    m_bar.setValue(m_bar.value() + 1);
    repaintNowAndThen();
}

void WindowCaptureObserver::columnRowsWritten() {
    if (m_onColumnRowsWritten)
        m_onColumnRowsWritten();
    repaintNowAndThen();
}

void WindowCaptureObserver::repaintNowAndThen() {
    if (m_sinceRepaint.elapsed() < repaintIntervalMs)
        return;
    m_sinceRepaint.restart();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

} // namespace dbc
