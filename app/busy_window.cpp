#include "app/busy_window.h"

#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QTimer>
#include <QWidget>

#include <utility>

namespace dbc {

namespace {
// Often enough for a bar that moves smoothly and a window that repaints when
// uncovered, rarely enough to cost nothing next to the work itself.
constexpr qint64 eventIntervalMs = 40;
} // namespace

bool isInputEvent(const QEvent& event) {
    switch (event.type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::InputMethod:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::TabletMove:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::Close:
        return true;
    default:
        return false;
    }
}

BusyWindow::BusyWindow(QWidget& window, QList<QWidget*> controls, StopQuestion askStop,
                       QList<QWidget*> passThrough)
    : m_window(window), m_passThrough(std::move(passThrough)), m_askStop(std::move(askStop)) {
    m_focus = QApplication::focusWidget();
    for (QWidget* control : controls) {
        if (control->isEnabled()) {
            control->setEnabled(false);
            m_disabled.append(control);
        }
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    qApp->installEventFilter(this);
    m_sinceEventsRan.invalidate();
}

BusyWindow::~BusyWindow() {
    release();
}

void BusyWindow::letEventsRunNowAndThen() {
    if (!m_active)
        return;
    if (m_sinceEventsRan.isValid() && m_sinceEventsRan.elapsed() < eventIntervalMs)
        return;
    QCoreApplication::processEvents();
    m_sinceEventsRan.start();
}

void BusyWindow::release() {
    if (!m_active)
        return;
    // Input that reached the queue while the handler ran is delivered now,
    // while the filter still drops it; a second pass takes what arrived or
    // was posted during the first (a timer's work, the window system's
    // events read meanwhile), so a short run leaves nothing behind either.
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    m_active = false;
    qApp->removeEventFilter(this);
    QApplication::restoreOverrideCursor();
    for (const QPointer<QWidget>& control : m_disabled) {
        if (control)
            control->setEnabled(true);
    }
    // The close the user confirmed, now that nothing runs any more.
    if (m_closeConfirmed) {
        QPointer<QWidget> window(&m_window);
        QTimer::singleShot(0, &m_window, [window] {
            if (window)
                window->close();
        });
    }
    // Disabling the focused control moved the focus on; it goes back.
    if (m_focus && m_focus->isEnabled() && m_focus->isVisible())
        m_focus->setFocus();
}

bool BusyWindow::eventFilter(QObject* watched, QEvent* event) {
    if (!m_active || !isInputEvent(*event) || !watched->isWidgetType())
        return false;
    auto* widget = static_cast<QWidget*>(watched);
    if (widget != &m_window && !m_window.isAncestorOf(widget))
        return false;
    for (QWidget* open : m_passThrough) {
        if (widget == open || open->isAncestorOf(widget))
            return false;
    }
    if (m_askStop && !m_stopConfirmed) {
        if (event->type() == QEvent::Close && widget == &m_window)
            m_pending = Request::Close;
        else if (event->type() == QEvent::KeyPress &&
                 static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape &&
                 m_pending == Request::None)
            m_pending = Request::Stop;
    }
    // A close request is refused rather than left for later; the work asks
    // about stopping at its next stopping point.
    event->ignore();
    return true;
}

bool BusyWindow::stopRequested() {
    if (m_active && m_pending == Request::None)
        letEventsRunNowAndThen();
    if (m_pending != Request::None && !m_stopConfirmed && m_askStop) {
        const bool closing = m_pending == Request::Close;
        m_pending = Request::None;
        if (m_askStop(closing)) {
            m_stopConfirmed = true;
            m_closeConfirmed = closing;
        }
    }
    return m_stopConfirmed;
}

} // namespace dbc
