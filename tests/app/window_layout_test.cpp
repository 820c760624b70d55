// The window as drawn: every control's kind, name, position, text and
// settings, the tab order and the help text.
#include "app/help_text.h"
#include "app/tbtn_exec.h"
#include "tests/app/qstring_printer.h"
#include "tests/app/test_store.h"

#include <QApplication>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStyleOptionFrame>
#include <QTableView>
#include <QTextBlock>

#include <gtest/gtest.h>

#include <memory>

namespace dbc {
namespace {

// One window, built once over a store with a few rows and never shown, for
// the checks that need no show.
class WindowLayout : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = std::make_unique<test::ScratchDir>();
        s_window = std::make_unique<TbtnExec>(s_dir->path() / "Source.mdb");
    }
    static void TearDownTestSuite() {
        s_window.reset();
        s_dir.reset();
    }

    template <typename Control> static Control* control(const char* name) {
        return s_window->findChild<Control*>(QString::fromLatin1(name));
    }

    static std::unique_ptr<test::ScratchDir> s_dir;
    static std::unique_ptr<TbtnExec> s_window;
};

std::unique_ptr<test::ScratchDir> WindowLayout::s_dir;
std::unique_ptr<TbtnExec> WindowLayout::s_window;

struct ControlRow {
    const char* name;
    const char* className;
    QRect geometry;
    const char* text; // the caption or the edit box's text, UTF-8
};

void PrintTo(const ControlRow& row, std::ostream* out) {
    *out << row.name;
}

class ControlPlacement : public WindowLayout, public ::testing::WithParamInterface<ControlRow> {};

QString shownText(QWidget* widget) {
    if (auto* label = qobject_cast<QLabel*>(widget))
        return label->text();
    if (auto* edit = qobject_cast<QLineEdit*>(widget))
        return edit->text();
    if (auto* button = qobject_cast<QAbstractButton*>(widget))
        return button->text();
    return {};
}

TEST_P(ControlPlacement, HasItsKindPositionAndText) {
    const ControlRow& row = GetParam();
    auto* widget = control<QWidget>(row.name);
    ASSERT_NE(widget, nullptr) << row.name;
    EXPECT_EQ(widget->parentWidget(), s_window.get());
    EXPECT_TRUE(widget->inherits(row.className)) << widget->metaObject()->className();
    EXPECT_EQ(widget->geometry(), row.geometry);
    if (row.text != nullptr) {
        EXPECT_EQ(shownText(widget), QString::fromUtf8(row.text));
    }
}

const ControlRow kControls[] = {
    {"Label5", "QLabel", {8, 3, 81, 17}, "源数据库信息:"},
    {"LblSDbMsg", "QLabel", {104, 3, 265, 14}, ""},
    {"dxDBGrid1", "QTableView", {8, 20, 361, 265}, nullptr},
    {"Label1", "QLabel", {8, 304, 81, 17}, "服务器名:"},
    {"Label2", "QLabel", {8, 333, 81, 17}, "数据库名:"},
    {"Label3", "QLabel", {8, 363, 81, 17}, "用户名:"},
    {"Label4", "QLabel", {8, 392, 81, 17}, "密码:"},
    {"EdtDataSource", "QLineEdit", {112, 308, 257, 21}, "."},
    {"EdtDataBase", "QLineEdit", {112, 335, 257, 21}, "hrms"},
    {"EdtUserNo", "QLineEdit", {112, 361, 257, 21}, "Sa"},
    {"EdtPassword", "QLineEdit", {112, 388, 257, 21}, ""},
    {"Memo1", "QPlainTextEdit", {384, 20, 321, 393}, nullptr},
    {"ListView1", "QListWidget", {296, 192, 33, 25}, nullptr},
    {"PB1", "QProgressBar", {8, 424, 705, 17}, nullptr},
    {"BtnReadSource", "QPushButton", {18, 448, 57, 22}, "读源数据"},
    {"BtnCompare", "QPushButton", {174, 448, 57, 22}, "比 对"},
    {"SpeedButton1", "QPushButton", {334, 448, 57, 22}, "执 行"},
    {"BtnClose", "QPushButton", {494, 448, 57, 22}, "关 闭"},
    {"SpeedButton2", "QPushButton", {634, 448, 57, 22}, "执行一条"},
    {"Image3", "QLabel", {18, 448, 58, 22}, nullptr},
    {"Image5", "QLabel", {174, 448, 58, 22}, nullptr},
    {"Image2", "QLabel", {334, 448, 58, 22}, nullptr},
    {"Image1", "QLabel", {494, 448, 58, 22}, nullptr},
    {"Image4", "QLabel", {634, 448, 58, 22}, nullptr},
    {"Label6", "QLabel", {48, 477, 649, 16}, nullptr},
    {"LblSource", "QLabel", {8, 287, 361, 15}, ""},
    {"SplitHandle", "dbc::SplitHandle", {370, 20, 13, 393}, nullptr},
};

INSTANTIATE_TEST_SUITE_P(Window, ControlPlacement, ::testing::ValuesIn(kControls),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(WindowLayout, WindowHasItsNameCaptionColourAndFont) {
    EXPECT_EQ(s_window->objectName(), QStringLiteral("btnExec"));
    EXPECT_EQ(s_window->windowTitle(), QStringLiteral("数据库比对工具"));
    // Qt appends " — <display name>" to a title that does not end with it.
    EXPECT_TRUE(s_window->windowTitle().endsWith(QGuiApplication::applicationDisplayName()))
        << QGuiApplication::applicationDisplayName().toStdString();
    EXPECT_EQ(s_window->palette().color(QPalette::Window), QColor(221, 222, 206));
    EXPECT_TRUE(s_window->autoFillBackground());
    EXPECT_EQ(s_window->font().pixelSize(), 11);
    EXPECT_EQ(s_window->font().families().value(0), QStringLiteral("MS Sans Serif"));
}

TEST_F(WindowLayout, FlatButtonsTakeTabFocusAndLieOverTheirImageBoxes) {
    const std::pair<const char*, const char*> pairs[] = {{"BtnReadSource", "Image3"},
                                                         {"BtnCompare", "Image5"},
                                                         {"SpeedButton1", "Image2"},
                                                         {"BtnClose", "Image1"},
                                                         {"SpeedButton2", "Image4"}};
    const QObjectList& children = s_window->children();
    for (const auto& [buttonName, imageName] : pairs) {
        auto* button = control<QPushButton>(buttonName);
        auto* image = control<QLabel>(imageName);
        ASSERT_NE(button, nullptr) << buttonName;
        ASSERT_NE(image, nullptr) << imageName;
        EXPECT_TRUE(button->isFlat()) << buttonName;
        EXPECT_EQ(button->focusPolicy(), Qt::TabFocus) << buttonName;
        EXPECT_FALSE(button->autoFillBackground()) << buttonName;
        // Later siblings are drawn on top: the button must come after its image.
        EXPECT_GT(children.indexOf(button), children.indexOf(image)) << buttonName;
        EXPECT_EQ(image->pixmap().size(), QSize(58, 25)) << imageName;
        EXPECT_EQ(image->alignment(), Qt::AlignLeft | Qt::AlignTop) << imageName;
    }
    EXPECT_TRUE(
        control<QPushButton>("SpeedButton2")
            ->toolTip()
            .startsWith(QStringLiteral("在右侧的文本框中输入一条语句，然后按此按钮即执行")));
}

struct ShortcutRow {
    const char* button;
    QKeyCombination keys;
};

class ButtonShortcut : public WindowLayout, public ::testing::WithParamInterface<ShortcutRow> {};

// Each button has its own shortcut, and its tooltip names it as the user's
// language writes it.
TEST_P(ButtonShortcut, IsSetAndNamedInTheTooltip) {
    auto* button = control<QPushButton>(GetParam().button);
    ASSERT_NE(button, nullptr);
    const QKeySequence keys(GetParam().keys);
    EXPECT_EQ(button->shortcut(), keys);
    EXPECT_TRUE(button->toolTip().endsWith(
        QStringLiteral("(%1)").arg(keys.toString(QKeySequence::NativeText))))
        << button->toolTip().toStdString();
}

const ShortcutRow kShortcuts[] = {
    {"BtnReadSource", Qt::CTRL | Qt::Key_R},     {"BtnCompare", Qt::CTRL | Qt::Key_B},
    {"SpeedButton1", Qt::CTRL | Qt::Key_E},      {"BtnClose", Qt::CTRL | Qt::Key_Q},
    {"SpeedButton2", Qt::CTRL | Qt::Key_Return},
};

INSTANTIATE_TEST_SUITE_P(Window, ButtonShortcut, ::testing::ValuesIn(kShortcuts),
                         [](const auto& row) { return std::string(row.param.button); });

TEST_F(WindowLayout, MinimumSizeKeepsEveryControlInside) {
    const QSize minimum = s_window->minimumSize();
    EXPECT_EQ(minimum, TbtnExec::minimumInnerSize());
    for (auto* child : s_window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        EXPECT_LE(child->geometry().right(), minimum.width()) << child->objectName().toStdString();
        EXPECT_LE(child->geometry().bottom(), minimum.height())
            << child->objectName().toStdString();
    }
    TbtnExec shrunk(s_dir->path() / "Source.mdb");
    shrunk.resize(400, 300);
    EXPECT_EQ(shrunk.size(), minimum);
}

TEST_F(WindowLayout, TabOrderStartsAtTheServerBoxAndTheGridTakesOneTab) {
    const QStringList expected = {QStringLiteral("EdtDataSource"), QStringLiteral("EdtDataBase"),
                                  QStringLiteral("EdtUserNo"),     QStringLiteral("EdtPassword"),
                                  QStringLiteral("Memo1"),         QStringLiteral("dxDBGrid1"),
                                  QStringLiteral("BtnReadSource"), QStringLiteral("BtnCompare"),
                                  QStringLiteral("SpeedButton1"),  QStringLiteral("BtnClose"),
                                  QStringLiteral("SpeedButton2")};
    QStringList met;
    QWidget* start = control<QWidget>("EdtDataSource");
    ASSERT_NE(start, nullptr);
    QWidget* current = start;
    do {
        if (current->focusPolicy() & Qt::TabFocus)
            met.append(current->objectName());
        current = current->nextInFocusChain();
    } while (current != start);
    met.removeAll(QStringLiteral("ListView1")); // hidden, never reached
    EXPECT_EQ(met, expected);
    EXPECT_FALSE(control<QTableView>("dxDBGrid1")->tabKeyNavigation());
    EXPECT_EQ(control<QProgressBar>("PB1")->focusPolicy(), Qt::NoFocus);

    // Labels and image boxes never take the focus.
    for (auto* label : s_window->findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
        EXPECT_EQ(label->focusPolicy(), Qt::NoFocus) << label->objectName().toStdString();
}

TEST_F(WindowLayout, PasswordIsMaskedWithStars) {
    auto* password = control<QLineEdit>("EdtPassword");
    ASSERT_NE(password, nullptr);
    EXPECT_EQ(password->echoMode(), QLineEdit::Password);
    QStyleOptionFrame option;
    option.initFrom(password);
    EXPECT_EQ(
        password->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, &option, password),
        int('*'));
}

TEST_F(WindowLayout, HiddenControlsAndTheirSettings) {
    auto* list = control<QListWidget>("ListView1");
    auto* progress = control<QProgressBar>("PB1");
    ASSERT_NE(list, nullptr);
    ASSERT_NE(progress, nullptr);
    EXPECT_TRUE(list->isHidden());
    EXPECT_EQ(list->count(), 0);
    EXPECT_TRUE(progress->isHidden());
    EXPECT_EQ(progress->minimum(), 0);
    EXPECT_EQ(progress->maximum(), 100);
}

TEST_F(WindowLayout, GridHasFourCaptionedColumnsWithTheirWidths) {
    auto* grid = control<QTableView>("dxDBGrid1");
    ASSERT_NE(grid, nullptr);
    ASSERT_EQ(grid->model()->columnCount(), 4);
    const QStringList captions = {QStringLiteral("字段名"), QStringLiteral("字段长度"),
                                  QStringLiteral("字段类型"), QStringLiteral("表名")};
    for (int column = 0; column < 4; ++column)
        EXPECT_EQ(grid->model()->headerData(column, Qt::Horizontal).toString(), captions[column]);
    EXPECT_EQ(grid->columnWidth(0), 83);
    EXPECT_EQ(grid->columnWidth(1), grid->horizontalHeader()->defaultSectionSize());
    EXPECT_EQ(grid->columnWidth(2), 106);
    EXPECT_EQ(grid->columnWidth(3), 88);
    EXPECT_FALSE(grid->horizontalHeader()->isHidden());
}

// The help text is broken only after marks and every line fits the text
// box at its default size, which does not wrap lines: a fixed-pitch font
// with Chinese glyphs, long lines scrolled sideways.
TEST_F(WindowLayout, MemoHoldsTheHelpLinesUnwrapped) {
    auto* memo = control<QPlainTextEdit>("Memo1");
    ASSERT_NE(memo, nullptr);
    EXPECT_EQ(memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(memo->lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_TRUE(memo->tabChangesFocus());
    // Fixed pitch: narrow and wide letters take the same room.
    const QFontMetrics pitch(memo->font());
    EXPECT_EQ(pitch.horizontalAdvance(QStringLiteral("iiii")),
              pitch.horizontalAdvance(QStringLiteral("MMMM")))
        << QFontInfo(memo->font()).family().toStdString();
    EXPECT_TRUE(pitch.inFont(QChar(0x8868))) << "the font has Chinese glyphs";
    EXPECT_FALSE(memo->document()->isModified()) << "the help text is not typed text";

    const QTextDocument* document = memo->document();
    QStringList lines;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
        lines.append(block.text());
    EXPECT_EQ(lines, helpTextLines());
    EXPECT_EQ(lines[0], QStringLiteral("一、功能说明："));
    EXPECT_TRUE(lines.back().isEmpty());
    const int room = 321 - memo->verticalScrollBar()->sizeHint().width() - 2 * memo->frameWidth() -
                     2 * static_cast<int>(document->documentMargin());
    const QString marks = QStringLiteral("，。：；、）”…");
    for (const QString& line : lines) {
        EXPECT_LE(memo->fontMetrics().horizontalAdvance(line), room) << line.toStdString();
        if (!line.isEmpty()) {
            EXPECT_TRUE(marks.contains(line.back()))
                << "broken inside a word: " << line.toStdString();
        }
    }
}

TEST_F(WindowLayout, FooterNamesTheStoreFile) {
    auto* footer = control<QLabel>("Label6");
    ASSERT_NE(footer, nullptr);
    EXPECT_TRUE(
        footer->text().endsWith(QString::fromStdString((s_dir->path() / "Source.mdb").string())))
        << footer->text().toStdString();
}

} // namespace
} // namespace dbc
