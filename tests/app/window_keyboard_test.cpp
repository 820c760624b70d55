// The window driven from the keyboard, and the texts Qt itself draws in it:
// focus and Tab order with a full grid, the buttons' shortcuts, Chinese
// standard texts.
#include "app/tbtn_exec.h"
#include "tests/app/modal_box_watcher.h"
#include "tests/app/qstring_printer.h"
#include "tests/app/test_store.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace dbc {
namespace {

class WindowKeyboard : public ::testing::Test {
protected:
    void SetUp() override {
        test::writeStore(m_dir.path() / "Source.mdb", 70);
        m_window = std::make_unique<TbtnExec>(m_dir.path() / "Source.mdb");
        m_window->show();
        QApplication::setActiveWindow(m_window.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_window.get()));
    }

    QString focusName() const {
        QWidget* focus = QApplication::focusWidget();
        return focus != nullptr ? focus->objectName() : QStringLiteral("(none)");
    }
    template <typename T> T* child(const char* name) {
        return m_window->findChild<T*>(QString::fromLatin1(name));
    }

    test::ScratchDir m_dir;
    std::unique_ptr<TbtnExec> m_window;
};

TEST_F(WindowKeyboard, FocusStartsInTheServerBoxAndTabCyclesOnceRound) {
    EXPECT_EQ(focusName(), QStringLiteral("EdtDataSource"));
    const QStringList expected = {QStringLiteral("EdtDataBase"),  QStringLiteral("EdtUserNo"),
                                  QStringLiteral("EdtPassword"),  QStringLiteral("Memo1"),
                                  QStringLiteral("dxDBGrid1"),    QStringLiteral("BtnReadSource"),
                                  QStringLiteral("BtnCompare"),   QStringLiteral("SpeedButton1"),
                                  QStringLiteral("BtnClose"),     QStringLiteral("SpeedButton2"),
                                  QStringLiteral("EdtDataSource")};
    QStringList met;
    for (qsizetype i = 0; i < expected.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        met.append(focusName());
    }
    EXPECT_EQ(met, expected) << "the grid holds 70 rows; one Tab leaves it";
}

struct ShortcutCase {
    const char* focus;
    QKeyCombination keys;
    const char* memoText;
    const char* boxText; // the message the handler ends with
};

class ButtonShortcutPress : public WindowKeyboard,
                            public ::testing::WithParamInterface<ShortcutCase> {};

// The shortcut runs its button's handler wherever the focus is, also in the
// boxes that take keys themselves.
TEST_P(ButtonShortcutPress, RunsTheHandler) {
    const ShortcutCase& row = GetParam();
    child<QPlainTextEdit>("Memo1")->setPlainText(QString::fromUtf8(row.memoText));
    QWidget* focus = child<QWidget>(row.focus);
    ASSERT_NE(focus, nullptr);
    focus->setFocus();
    test::ModalBoxWatcher boxes;
    // Through the window, as the platform delivers keys, so that the
    // shortcut map sees them.
    QTest::keyClick(m_window->windowHandle(), row.keys.key(), row.keys.keyboardModifiers());
    // A shortcut presses its button visibly, then clicks it.
    ASSERT_TRUE(QTest::qWaitFor([&boxes] { return boxes.seen(); }, 2000)) << "no handler ran";
    EXPECT_EQ(boxes.text(), QString::fromUtf8(row.boxText));
}

const ShortcutCase kShortcutPresses[] = {
    // Nothing compared: "执 行" runs no statement and says so.
    {"EdtDataSource", Qt::CTRL | Qt::Key_E, "",
     "没有可执行的语句：请先按“比 对”，比对产生语句后再按“执 行”。"},
    {"Memo1", Qt::CTRL | Qt::Key_E, "select 1",
     "没有可执行的语句：请先按“比 对”，比对产生语句后再按“执 行”。"},
    // "执行一条" with nothing typed says so before connecting anywhere.
    {"Memo1", Qt::CTRL | Qt::Key_Return, "  \n ",
     "文本框中没有您输入的语句：请先在右侧的文本框中输入或修改一条语句，再按“执行一条”。"
     "帮助文字和程序显示的脚本不会被执行。"},
    {"EdtPassword", Qt::CTRL | Qt::Key_Return, "",
     "文本框中没有您输入的语句：请先在右侧的文本框中输入或修改一条语句，再按“执行一条”。"
     "帮助文字和程序显示的脚本不会被执行。"},
};

INSTANTIATE_TEST_SUITE_P(Window, ButtonShortcutPress, ::testing::ValuesIn(kShortcutPresses));

TEST_F(WindowKeyboard, CloseShortcutClosesTheWindow) {
    child<QLineEdit>("EdtUserNo")->setFocus();
    QTest::keyClick(m_window->windowHandle(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_TRUE(QTest::qWaitFor([this] { return !m_window->isVisible(); }, 2000));
}

// Qt's own texts come from its Simplified Chinese translation.
TEST_F(WindowKeyboard, StandardTextsAreChinese) {
    std::unique_ptr<QMenu> memoMenu(child<QPlainTextEdit>("Memo1")->createStandardContextMenu());
    std::unique_ptr<QMenu> boxMenu(child<QLineEdit>("EdtDataBase")->createStandardContextMenu());
    for (QMenu* menu : {memoMenu.get(), boxMenu.get()}) {
        QStringList captions;
        for (QAction* action : menu->actions())
            captions << action->text();
        EXPECT_TRUE(captions.join(QLatin1Char('|')).contains(QStringLiteral("复制")))
            << captions.join(QLatin1Char('|')).toStdString();
    }
    QMessageBox box(QMessageBox::NoIcon, QString(), QString(), QMessageBox::Ok);
    EXPECT_EQ(box.button(QMessageBox::Ok)->text(), QStringLiteral("确定"));
}

} // namespace
} // namespace dbc
