// The application's error box and the full-stop rule of its message.
#include "app/error_box.h"
#include "data/database_error.h"
#include "tests/app/modal_box_watcher.h"
#include "tests/app/qstring_printer.h"

#include <QWidget>

#include <gtest/gtest.h>

#include <stdexcept>

namespace dbc {
namespace {

struct FullStopRow {
    const char* message; // UTF-8
    const char* shown;   // UTF-8
};

void PrintTo(const FullStopRow& row, std::ostream* out) {
    *out << '"' << row.message << '"';
}

class FullStop : public ::testing::TestWithParam<FullStopRow> {};

TEST_P(FullStop, IsAppendedWhenTheLastCharacterSortsAfterTheFullStop) {
    EXPECT_EQ(withFullStop(QString::fromUtf8(GetParam().message)),
              QString::fromUtf8(GetParam().shown));
}

INSTANTIATE_TEST_SUITE_P(
    ErrorBox, FullStop,
    ::testing::Values(FullStopRow{"", ""},                                  // nothing to end
                      FullStopRow{"Login failed", "Login failed."},         // letter
                      FullStopRow{"Error 208", "Error 208."},               // digit
                      FullStopRow{"对象名无效", "对象名无效。"},            // Chinese
                      FullStopRow{"完毕。", "完毕。"},                      // full-width mark
                      FullStopRow{"按“执行一条”", "按“执行一条”。"},        // closing quote
                      FullStopRow{"Done.", "Done."},                        // the full stop itself
                      FullStopRow{"Is it?", "Is it?."},                     // '?' sorts after '.'
                      FullStopRow{"path /", "path /."},                     // '/' is U+002F
                      FullStopRow{"a:", "a:."},                             // ':'
                      FullStopRow{"see (x)", "see (x)"},                    // ')' sorts before
                      FullStopRow{"wait!", "wait!"},                        // '!'
                      FullStopRow{"a-", "a-"},                              // '-' is U+002D
                      FullStopRow{"a,", "a,"},                              // ','
                      FullStopRow{"trailing blank ", "trailing blank "},    // blank
                      FullStopRow{"line end\n", "line end\n"},              // line end
                      FullStopRow{"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80."}, // beyond U+FFFF
                      FullStopRow{"x", "x."}));

TEST(ErrorBox, IsModalTitledWithTheProgramAndShowsAnErrorIcon) {
    test::ModalBoxWatcher boxes;
    QWidget parent;
    showError(&parent, QStringLiteral("Login failed for user Sa"));
    ASSERT_TRUE(boxes.seen());
    EXPECT_EQ(boxes.title(), QStringLiteral("数据库比对工具"));
    EXPECT_EQ(boxes.text(), QStringLiteral("Login failed for user Sa."));
    EXPECT_EQ(boxes.icon(), QMessageBox::Critical);
    EXPECT_TRUE(boxes.okOnly());
    EXPECT_TRUE(boxes.modal());
}

// A short message still leaves the box wide enough for its title.
TEST(ErrorBox, ShortMessagesGetABoxWideEnoughForTheTitle) {
    QWidget parent;
    for (const auto& show : {showInformation, showError}) {
        test::ModalBoxWatcher boxes;
        show(&parent, QStringLiteral("执行完毕！"));
        ASSERT_TRUE(boxes.seen());
        EXPECT_EQ(boxes.title(), QStringLiteral("数据库比对工具"));
        EXPECT_GE(boxes.width(), messageBoxMinimumWidth);
    }
}

TEST(ErrorBox, HandlerExceptionIsShownAndTheProgramGoesOn) {
    test::ModalBoxWatcher boxes;
    QWidget parent;
    int stepsDone = 0;
    const bool finished = runHandler(&parent, [&stepsDone] {
        ++stepsDone;
        throw DatabaseError("Invalid object name 'SourceTable'", "42S02", 208);
    });
    EXPECT_FALSE(finished);
    EXPECT_EQ(stepsDone, 1);
    ASSERT_TRUE(boxes.seen());
    EXPECT_EQ(boxes.text(), QStringLiteral("Invalid object name 'SourceTable'"))
        << "a closing quote sorts before the full stop";
    EXPECT_EQ(boxes.icon(), QMessageBox::Critical);
}

TEST(ErrorBox, HandlerMessageInUtf8ReachesTheBoxWhole) {
    test::ModalBoxWatcher boxes;
    const bool finished =
        runHandler(nullptr, [] { throw std::runtime_error("无法打开数据库 <hrms>"); });
    // Shown as plain text: the markup-like "<hrms>" stays, and ">" sorts
    // after the full stop.
    EXPECT_FALSE(finished);
    ASSERT_TRUE(boxes.seen());
    EXPECT_EQ(boxes.text(), QStringLiteral("无法打开数据库 <hrms>."));
}

TEST(ErrorBox, HandlerThatEndsNormallyShowsNothing) {
    test::ModalBoxWatcher boxes;
    bool ran = false;
    EXPECT_TRUE(runHandler(nullptr, [&ran] { ran = true; }));
    EXPECT_TRUE(ran);
    EXPECT_FALSE(boxes.seen());
}

} // namespace
} // namespace dbc
