#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>

#include <functional>

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
// usual, and so do the `passThrough` controls (the close button).
//
// Closing the window or pressing Escape during the work is a request to stop:
// the next time the work asks stopRequested(), `askStop` asks the user (with
// `closing` set for a close) and the answer stands for the rest of the work.
// A close the user confirmed closes the window once the busy state ends.
// Without `askStop` such requests are dropped like other input.
class BusyWindow : public QObject {
public:
    using StopQuestion = std::function<bool(bool closing)>;

    BusyWindow(QWidget& window, QList<QWidget*> controls, StopQuestion askStop = {},
               QList<QWidget*> passThrough = {});
    ~BusyWindow() override;
    BusyWindow(const BusyWindow&) = delete;
    BusyWindow& operator=(const BusyWindow&) = delete;

    // Lets pending events run (paint, timers, dropped input) if the last
    // time is long enough ago; called often by long work.
    void letEventsRunNowAndThen();

    // Ends the busy state early, e.g. before the handler's closing message.
    void release();

    // Whether the user chose to stop the work; asks first when a close or
    // Escape arrived since the last call.
    bool stopRequested();
    // Whether the user chose to stop and close the window.
    bool closeRequested() const noexcept { return m_closeConfirmed; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget& m_window;
    QList<QPointer<QWidget>> m_disabled;
    QList<QWidget*> m_passThrough;
    StopQuestion m_askStop;
    enum class Request { None, Stop, Close };
    Request m_pending = Request::None;
    bool m_stopConfirmed = false;
    bool m_closeConfirmed = false;
    QPointer<QWidget> m_focus;
    QElapsedTimer m_sinceEventsRan;
    bool m_active = true;
};

// Whether `event` is user input (or a close request) that a busy window
// drops.
bool isInputEvent(const QEvent& event);

} // namespace dbc
