#pragma once

#include "workflow/workflow_observer.h"

#include <QString>

class QProgressBar;

namespace dbc {

class BusyWindow;

// The progress bar PB1 for the length of one handler. It shows at once, as a
// moving "working" bar without a range, so that the wait for a connection or
// for the first rows of a slow server is visible; work that can be counted
// sets a range and advances. The bar hides when the object dies, however the
// handler ended.
class WindowProgress {
public:
    WindowProgress(QProgressBar& bar, BusyWindow& busy);
    ~WindowProgress();
    WindowProgress(const WindowProgress&) = delete;
    WindowProgress& operator=(const WindowProgress&) = delete;

    // A counted stretch of work: the bar shows `minimum`..`maximum` at
    // `minimum`; `format` ("%v/%m") is drawn on the bar when not empty.
    void setRange(int minimum, int maximum, const QString& format = {});
    // Names the stage of uncounted work on the bar ("正在比对").
    void setStage(const QString& text);
    // One unit of the counted work is done; the bar stays within its range.
    void advance();
    // Lets the window repaint now and then (the bar's "working" motion too).
    void keepWindowAlive();

    QProgressBar& bar() noexcept { return m_bar; }

private:
    QProgressBar& m_bar;
    BusyWindow& m_busy;
};

// Shows "执 行" in the bar: statement i of n; stops between statements when
// the user asked to.
class WindowExecuteObserver : public WorkflowObserver {
public:
    WindowExecuteObserver(WindowProgress& progress, BusyWindow& busy)
        : m_progress(progress), m_busy(busy) {}
    void executingStatement(std::size_t number, std::size_t count) override;
    bool stopRequested() override;

private:
    WindowProgress& m_progress;
    BusyWindow& m_busy;
};

} // namespace dbc
