#pragma once

#include "workflow_observer.h"

#include <QElapsedTimer>

#include <functional>

class QProgressBar;

namespace dbc {

// Shows a capture's progress in the window's bar PB1. The capture runs on the
// window's thread, so the window is repainted now and then (user input is not
// taken meanwhile) to let the bar visibly advance.
class WindowCaptureObserver : public WorkflowObserver {
public:
    WindowCaptureObserver(QProgressBar& bar, std::function<void()> onColumnRowsWritten);

    void stepStarted(CaptureStep step, int minimum, int maximum) override;
    void advanced() override;
    void columnRowsWritten() override;

private:
    void repaintNowAndThen();

    QProgressBar& m_bar;
    std::function<void()> m_onColumnRowsWritten;
    QElapsedTimer m_sinceRepaint;
};

} // namespace dbc
