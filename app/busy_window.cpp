#include "app/busy_window.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

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

BusyWindow::BusyWindow(QWidget& window, QList<QWidget*> controls) : m_window(window) {
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
    // while the filter still drops it.
    QCoreApplication::processEvents();
    m_active = false;
    qApp->removeEventFilter(this);
    QApplication::restoreOverrideCursor();
    for (const QPointer<QWidget>& control : m_disabled) {
        if (control)
            control->setEnabled(true);
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
    // A close request is refused rather than left for later.
    event->ignore();
    return true;
}

} // namespace dbc
