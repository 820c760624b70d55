// The busy window's guard, each piece on its own: input to an enabled
// control is dropped for every mouse button, a close request is dropped or
// asks, Escape asks, and input still queued when the work ends is drained.
#include "app/busy_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace dbc {
namespace {

// A control that counts the mouse events it receives.
class MouseCounter : public QWidget {
public:
    using QWidget::QWidget;
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent*) override { ++presses; }
    void mouseReleaseEvent(QMouseEvent*) override { ++presses; }
    void mouseDoubleClickEvent(QMouseEvent*) override { ++presses; }
};

class BusyGuard : public ::testing::Test {
protected:
    void SetUp() override {
        auto* layout = new QVBoxLayout(&m_window);
        m_box = new QLineEdit(&m_window);
        m_target = new MouseCounter(&m_window);
        m_target->setMinimumSize(40, 40);
        layout->addWidget(m_box);
        layout->addWidget(m_target);
        m_window.show();
    }
    void postMouse(QEvent::Type type, Qt::MouseButton button) {
        QCoreApplication::postEvent(m_target, new QMouseEvent(type, QPointF(5, 5), QPointF(5, 5),
                                                              button, button, Qt::NoModifier));
    }
    void postKey(QWidget* to, Qt::Key key, const QString& text = {}) {
        QCoreApplication::postEvent(to, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier, text));
    }

    QWidget m_window;
    QLineEdit* m_box = nullptr;
    MouseCounter* m_target = nullptr;
};

struct MouseCase {
    const char* name;
    QEvent::Type type;
    Qt::MouseButton button;
};

class BusyGuardMouse : public BusyGuard, public ::testing::WithParamInterface<MouseCase> {};

// The control stays enabled; what reaches it while the work runs is dropped,
// and the same event reaches it afterwards.
TEST_P(BusyGuardMouse, ReachesAnEnabledControlOnlyAfterTheWork) {
    {
        BusyWindow busy(m_window, {});
        postMouse(GetParam().type, GetParam().button);
        busy.letEventsRunNowAndThen();
        EXPECT_EQ(m_target->presses, 0);
    }
    postMouse(GetParam().type, GetParam().button);
    QCoreApplication::processEvents();
    EXPECT_EQ(m_target->presses, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Busy, BusyGuardMouse,
    ::testing::Values(MouseCase{"LeftPress", QEvent::MouseButtonPress, Qt::LeftButton},
                      MouseCase{"RightPress", QEvent::MouseButtonPress, Qt::RightButton},
                      MouseCase{"MiddlePress", QEvent::MouseButtonPress, Qt::MiddleButton},
                      MouseCase{"Release", QEvent::MouseButtonRelease, Qt::LeftButton},
                      MouseCase{"DoubleClick", QEvent::MouseButtonDblClick, Qt::LeftButton}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(BusyGuard, InputQueuedWhenTheWorkEndsIsDrained) {
    {
        BusyWindow busy(m_window, {});
        postKey(m_box, Qt::Key_X, QStringLiteral("x"));
        // The work ends without letting events run once more.
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(m_box->text(), QString()) << "typing from during the work took effect afterwards";
}

TEST_F(BusyGuard, CloseRequestWithoutAQuestionIsDropped) {
    BusyWindow busy(m_window, {});
    QCoreApplication::postEvent(&m_window, new QCloseEvent);
    busy.letEventsRunNowAndThen();
    EXPECT_TRUE(m_window.isVisible());
    EXPECT_FALSE(busy.stopRequested());
}

struct StopCase {
    const char* name;
    bool close;  // a close request, else Escape
    bool answer; // what the user answers
};

class BusyGuardStop : public BusyGuard, public ::testing::WithParamInterface<StopCase> {};

// Close and Escape ask at the work's next stopping point; "stop" stops the
// work, and a confirmed close closes the window once the work has ended.
TEST_P(BusyGuardStop, AsksAndStopsOrGoesOn) {
    const StopCase& row = GetParam();
    std::vector<bool> asked;
    {
        BusyWindow busy(m_window, {}, [&](bool closing) {
            asked.push_back(closing);
            return row.answer;
        });
        if (row.close)
            QCoreApplication::postEvent(&m_window, new QCloseEvent);
        else
            postKey(&m_window, Qt::Key_Escape);
        EXPECT_EQ(busy.stopRequested(), row.answer);
        EXPECT_EQ(busy.stopRequested(), row.answer) << "asked once";
        EXPECT_EQ(busy.closeRequested(), row.close && row.answer);
        EXPECT_TRUE(m_window.isVisible()) << "never closed while the work runs";
    }
    EXPECT_EQ(asked, std::vector<bool>{row.close});
    QCoreApplication::processEvents();
    EXPECT_EQ(m_window.isVisible(), !(row.close && row.answer));
}

INSTANTIATE_TEST_SUITE_P(Busy, BusyGuardStop,
                         ::testing::Values(StopCase{"CloseStop", true, true},
                                           StopCase{"CloseGoOn", true, false},
                                           StopCase{"EscapeStop", false, true},
                                           StopCase{"EscapeGoOn", false, false}),
                         [](const auto& row) { return std::string(row.param.name); });

} // namespace
} // namespace dbc
