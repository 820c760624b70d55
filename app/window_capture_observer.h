#pragma once

#include "workflow/workflow_observer.h"

#include <QString>

#include <functional>

namespace dbc {

class BusyWindow;
class WindowProgress;

// Shows a capture's progress in the window's bar, one range per step named
// on the bar, lets the window repaint now and then while the capture runs on
// the window's thread, and stops it between rows when the user asked to.
class WindowCaptureObserver : public WorkflowObserver {
public:
    WindowCaptureObserver(WindowProgress& progress, BusyWindow& busy,
                          std::function<void()> onColumnRowsWritten);

    void stepStarted(CaptureStep step, int minimum, int maximum) override;
    void advanced() override;
    void columnRowsWritten() override;
    bool stopRequested() override;

private:
    WindowProgress& m_progress;
    BusyWindow& m_busy;
    std::function<void()> m_onColumnRowsWritten;
};

// The bar's text during a capture step: "正在读取字段 %v/%m" and so on.
QString captureStepFormat(CaptureStep step);

} // namespace dbc
