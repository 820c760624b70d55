#include "app/window_progress.h"

#include "app/busy_window.h"

#include <QProgressBar>

namespace dbc {

WindowProgress::WindowProgress(QProgressBar& bar, BusyWindow& busy) : m_bar(bar), m_busy(busy) {
    // A range of 0..0 draws the moving "working" bar.
    m_bar.setRange(0, 0);
    m_bar.show();
    m_bar.repaint();
}

WindowProgress::~WindowProgress() {
    m_bar.hide();
    m_bar.setTextVisible(false);
    m_bar.setRange(0, 100);
    m_bar.setValue(0);
}

void WindowProgress::setRange(int minimum, int maximum, const QString& format) {
    m_bar.setRange(minimum, maximum);
    m_bar.setValue(minimum);
    m_bar.setTextVisible(!format.isEmpty());
    if (!format.isEmpty())
        m_bar.setFormat(format);
    m_bar.show();
    m_bar.repaint();
}

void WindowProgress::setStage(const QString& text) {
    // A range of 0..1 at 0 with the stage's name drawn on it.
    m_bar.setRange(0, 1);
    m_bar.setValue(0);
    m_bar.setFormat(text);
    m_bar.setTextVisible(true);
    m_bar.repaint();
}

void WindowProgress::advance() {
    // QProgressBar keeps the value within its range; the last step of a
    // range of n - 1 lands on n, as the capture's bar always did.
    m_bar.setValue(m_bar.value() + 1);
    keepWindowAlive();
}

void WindowProgress::keepWindowAlive() {
    m_busy.letEventsRunNowAndThen();
}

void WindowExecuteObserver::executingStatement(std::size_t number, std::size_t count) {
    QProgressBar& bar = m_progress.bar();
    if (number == 1 || bar.maximum() != static_cast<int>(count))
        m_progress.setRange(0, static_cast<int>(count),
                            QStringLiteral("正在执行第 %v 条语句，共 %m 条"));
    bar.setValue(static_cast<int>(number));
    m_progress.keepWindowAlive();
}

} // namespace dbc

namespace dbc {

bool WindowExecuteObserver::stopRequested() {
    return m_busy.stopRequested();
}

} // namespace dbc
