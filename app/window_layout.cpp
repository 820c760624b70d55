#include "app/window_layout.h"

#include <QMouseEvent>

#include <algorithm>

namespace dbc {

namespace {
// The left edges of the first and last flat button at the default size.
constexpr int kFirstButtonX = 18;
constexpr int kLastButtonX = 634;
} // namespace

void WindowLayout::add(QWidget* control, unsigned rules) {
    m_placed.append({control, control->geometry(), rules});
}

int WindowLayout::leftGrowth(QSize size, int splitShift) const {
    const int dx = std::max(0, size.width() - m_defaultSize.width());
    return std::clamp(dx / 2 + splitShift, -narrowestLoss, dx + narrowestLoss);
}

void WindowLayout::apply(QSize size, int splitShift) const {
    const int dx = std::max(0, size.width() - m_defaultSize.width());
    const int dy = std::max(0, size.height() - m_defaultSize.height());
    const int left = leftGrowth(size, splitShift);
    for (const Placed& placed : m_placed) {
        QRect r = placed.seed;
        const unsigned rules = placed.rules;
        if (rules & MovesDown)
            r.moveTop(r.top() + dy);
        if (rules & GrowsDown)
            r.setHeight(r.height() + dy);
        if (rules & FollowsLeft)
            r.moveLeft(r.left() + left);
        if (rules & GrowsWithLeft)
            r.setWidth(r.width() + left);
        if (rules & GrowsWithRight)
            r.setWidth(r.width() + dx - left);
        if (rules & GrowsAcross)
            r.setWidth(r.width() + dx);
        if (rules & SpreadsAcross)
            r.moveLeft(r.left() + dx * (r.left() - kFirstButtonX) / (kLastButtonX - kFirstButtonX));
        placed.control->setGeometry(r);
    }
}

SplitHandle::SplitHandle(QWidget* parent) : QWidget(parent) {
    setCursor(Qt::SplitHCursor);
    setFocusPolicy(Qt::NoFocus);
}

void SplitHandle::mousePressEvent(QMouseEvent* event) {
    m_lastX = event->globalPosition().toPoint().x();
}

void SplitHandle::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton))
        return;
    const int x = event->globalPosition().toPoint().x();
    if (x != m_lastX)
        emit dragged(x - m_lastX);
    m_lastX = x;
}

} // namespace dbc
