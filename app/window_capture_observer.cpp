#include "app/window_capture_observer.h"

#include "app/window_progress.h"

#include <utility>

namespace dbc {

WindowCaptureObserver::WindowCaptureObserver(WindowProgress& progress,
                                             std::function<void()> onColumnRowsWritten)
    : m_progress(progress), m_onColumnRowsWritten(std::move(onColumnRowsWritten)) {}

void WindowCaptureObserver::stepStarted(CaptureStep, int minimum, int maximum) {
    m_progress.setRange(minimum, maximum);
}

void WindowCaptureObserver::advanced() {
    m_progress.advance();
}

void WindowCaptureObserver::columnRowsWritten() {
    if (m_onColumnRowsWritten)
        m_onColumnRowsWritten();
    m_progress.keepWindowAlive();
}

} // namespace dbc
