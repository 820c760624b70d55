#pragma once

#include "workflow/workflow_observer.h"

#include <functional>

namespace dbc {

class WindowProgress;

// Shows a capture's progress in the window's bar, one range per step, and
// lets the window repaint now and then while the capture runs on the
// window's thread.
class WindowCaptureObserver : public WorkflowObserver {
public:
    WindowCaptureObserver(WindowProgress& progress, std::function<void()> onColumnRowsWritten);

    void stepStarted(CaptureStep step, int minimum, int maximum) override;
    void advanced() override;
    void columnRowsWritten() override;

private:
    WindowProgress& m_progress;
    std::function<void()> m_onColumnRowsWritten;
};

} // namespace dbc
