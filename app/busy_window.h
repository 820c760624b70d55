#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>

class QWidget;

namespace dbc {

// The window while one of its handlers runs. The handler runs on the
// window's thread, so events only run when it lets them; while it does, the
// window repaints, but every key, click, wheel turn or close request aimed
// at the window is dropped instead of being kept for later, and the controls
// given are disabled. The mouse shows the busy cursor. When the busy state
// ends, input that arrived meanwhile is drained and dropped too, so nothing
// the user did during the handler takes effect afterwards.
//
// Other top-level windows (a message box the handler shows) take input as
// usual.
class BusyWindow : public QObject {
public:
    BusyWindow(QWidget& window, QList<QWidget*> controls);
    ~BusyWindow() override;
    BusyWindow(const BusyWindow&) = delete;
    BusyWindow& operator=(const BusyWindow&) = delete;

    // Lets pending events run (paint, timers, dropped input) if the last
    // time is long enough ago; called often by long work.
    void letEventsRunNowAndThen();

    // Ends the busy state early, e.g. before the handler's closing message.
    void release();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget& m_window;
    QList<QPointer<QWidget>> m_disabled;
    QPointer<QWidget> m_focus;
    QElapsedTimer m_sinceEventsRan;
    bool m_active = true;
};

// Whether `event` is user input (or a close request) that a busy window
// drops.
bool isInputEvent(const QEvent& event);

} // namespace dbc
