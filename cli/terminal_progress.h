#pragma once

#include "workflow/workflow_observer.h"

#include <cstdio>

namespace dbc::cli {

// Draws a capture's progress as a one-line bar on standard error, redrawn in
// place; draws nothing when standard error is not a terminal.
class TerminalProgress : public WorkflowObserver {
public:
    TerminalProgress();
    ~TerminalProgress() override;
    void stepStarted(CaptureStep step, int minimum, int maximum) override;
    void advanced() override;

private:
    void draw(bool force);

    bool m_enabled;
    bool m_started = false;
    CaptureStep m_step = CaptureStep::Columns;
    int m_minimum = 0;
    int m_maximum = 0;
    int m_position = 0;
    int m_drawnPercent = -1;
};

} // namespace dbc::cli
