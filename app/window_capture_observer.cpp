#include "app/window_capture_observer.h"

#include "app/busy_window.h"
#include "app/window_progress.h"

#include <QString>

#include <utility>

namespace dbc {

WindowCaptureObserver::WindowCaptureObserver(WindowProgress& progress, BusyWindow& busy,
                                             std::function<void()> onColumnRowsWritten)
    : m_progress(progress), m_busy(busy), m_onColumnRowsWritten(std::move(onColumnRowsWritten)) {}

QString captureStepFormat(CaptureStep step) {
    switch (step) {
    case CaptureStep::Columns:
        return QStringLiteral("正在读取表的字段 %v/%m");
    case CaptureStep::IndexKeys:
        return QStringLiteral("正在读取索引 %v/%m");
    case CaptureStep::Procedures:
        return QStringLiteral("正在读取存储过程的文本 %v/%m");
    case CaptureStep::Views:
        return QStringLiteral("正在读取视图的文本 %v/%m");
    case CaptureStep::Triggers:
        return QStringLiteral("正在读取触发器的文本 %v/%m");
    case CaptureStep::Defaults:
        return QStringLiteral("正在读取默认值 %v/%m");
    case CaptureStep::Functions:
        return QStringLiteral("正在读取函数的文本 %v/%m");
    }
    return {};
}

void WindowCaptureObserver::stepStarted(CaptureStep step, int minimum, int maximum) {
    m_progress.setRange(minimum, maximum, captureStepFormat(step));
}

void WindowCaptureObserver::advanced() {
    m_progress.advance();
}

void WindowCaptureObserver::columnRowsWritten() {
    if (m_onColumnRowsWritten)
        m_onColumnRowsWritten();
    m_progress.keepWindowAlive();
}

bool WindowCaptureObserver::stopRequested() {
    return m_busy.stopRequested();
}

} // namespace dbc
