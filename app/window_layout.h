#pragma once

#include <QList>
#include <QRect>
#include <QSize>
#include <QWidget>

namespace dbc {

// How a control follows the window when it grows beyond its default size:
// at the default size (and below it) every control keeps its own place; the
// space gained is shared between the left column (grid and boxes) and the
// text box on the right, split where the handle between them lies.
enum LayoutRule : unsigned {
    StaysPut = 0,
    MovesDown = 1u << 0,      // y grows with the height gained
    GrowsDown = 1u << 1,      // height grows with the height gained
    GrowsWithLeft = 1u << 2,  // width grows with the left column
    FollowsLeft = 1u << 3,    // x moves with the left column's growth
    GrowsWithRight = 1u << 4, // width grows with the right column
    GrowsAcross = 1u << 5,    // width grows with the width gained
    SpreadsAcross = 1u << 6,  // x moves in proportion along the button row
};

// The controls of one window and their rules.
class WindowLayout {
public:
    // The size at which every control is where it was created.
    explicit WindowLayout(QSize defaultSize) : m_defaultSize(defaultSize) {}

    // Follows `control` from its current geometry on.
    void add(QWidget* control, unsigned rules);

    // Places every control for the window's inner size `size`; `splitShift`
    // moves the boundary between the columns to the right (negative: left).
    void apply(QSize size, int splitShift) const;

    // The growth of the left column at `size` and `splitShift`, kept so that
    // neither column becomes narrower than at the default size less
    // `narrowestLoss` pixels.
    int leftGrowth(QSize size, int splitShift) const;

    static constexpr int narrowestLoss = 200;

private:
    struct Placed {
        QWidget* control;
        QRect seed;
        unsigned rules;
    };
    QSize m_defaultSize;
    QList<Placed> m_placed;
};

// The handle between the grid and the text box: dragging it moves the
// boundary between them.
class SplitHandle : public QWidget {
    Q_OBJECT

public:
    explicit SplitHandle(QWidget* parent);

signals:
    // The handle was dragged `dx` pixels to the right since the last signal.
    void dragged(int dx);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    int m_lastX = 0;
};

} // namespace dbc
