// The window on a real X server with a window manager's frame (run by
// run_framed.sh under xvfb-run): the frame, not the inner area, measures
// 740 x 531 and is centred, also when an error box was shown at start.
#include "app/application_setup.h"
#include "app/tbtn_exec.h"
#include "tests/app/modal_box_watcher.h"
#include "tests/app/test_store.h"

#include <QApplication>
#include <QScreen>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

#include <fstream>

namespace dbc {
namespace {

struct FrameCase {
    const char* name;
    bool badStore;
};

class FramedWindow : public ::testing::TestWithParam<FrameCase> {};

TEST_P(FramedWindow, FrameIsCentredOnTheScreen) {
    test::ScratchDir dir;
    const auto storePath = dir.path() / "Source.mdb";
    if (GetParam().badStore)
        std::ofstream(storePath, std::ios::binary) << "not a store";
    else
        test::writeStore(storePath, 3);

    TbtnExec window(storePath);
    test::ModalBoxWatcher boxes;
    window.show();
    EXPECT_EQ(boxes.seen(), GetParam().badStore);
    const QRect area = window.screen()->availableGeometry();
    const QRect wanted(area.x() + (area.width() - 740) / 2, area.y() + (area.height() - 531) / 2,
                       740, 531);
    // The window manager frames the window some time after it is mapped:
    // wait for the mapping, then for the frame and the place, each as the
    // condition itself (the bound only keeps a broken setup from hanging).
    constexpr int kNeverOnAWorkingDesktop = 60000;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window, kNeverOnAWorkingDesktop));
    const bool placed = QTest::qWaitFor(
        [&] {
            return !window.windowHandle()->frameMargins().isNull() &&
                   window.frameGeometry() == wanted;
        },
        kNeverOnAWorkingDesktop);
    EXPECT_TRUE(placed);
    ASSERT_FALSE(window.windowHandle()->frameMargins().isNull())
        << "no window manager framed the window";
    EXPECT_EQ(window.frameGeometry(), wanted)
        << "frame at " << window.frameGeometry().x() << "," << window.frameGeometry().y() << " "
        << window.frameGeometry().width() << "x" << window.frameGeometry().height();
}

INSTANTIATE_TEST_SUITE_P(Window, FramedWindow,
                         ::testing::Values(FrameCase{"GoodStore", false},
                                           FrameCase{"AfterAStartUpErrorBox", true}),
                         [](const auto& row) { return std::string(row.param.name); });

} // namespace
} // namespace dbc
