// Builds the controls of the window TbtnExec at their default positions, the
// rules by which they follow a larger window, the tab order and the keys.
#include "app/tbtn_exec.h"

#include "app/busy_window.h"
#include "app/button_face.h"
#include "app/help_text.h"
#include "app/source_table_model.h"
#include "app/window_messages.h"

#include <QAction>
#include <QDir>
#include <QHeaderView>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>

namespace dbc {

namespace {

// Creates a child control of `parent` with its object name at a fixed
// position (left, top, width, height).
template <typename Control>
Control* place(QWidget* parent, const char* name, int left, int top, int width, int height) {
    auto* control = new Control(parent);
    control->setObjectName(QString::fromLatin1(name));
    control->setGeometry(left, top, width, height);
    return control;
}

QLabel* placeLabel(QWidget* parent, const char* name, int left, int top, int width, int height,
                   const QString& text) {
    auto* label = place<QLabel>(parent, name, left, top, width, height);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setText(text);
    return label;
}

QLineEdit* placeEdit(QWidget* parent, const char* name, int top, const QString& text) {
    auto* edit = place<QLineEdit>(parent, name, 112, top, 257, 21);
    edit->setText(text);
    return edit;
}

// A flat button drawn over its image box: a 58 x 22 label at the same left
// and top showing the button-face picture cut to the box. Tab reaches the
// button (a click does not take the focus from the boxes); its keyboard
// shortcut is named at the end of its tooltip.
QPushButton* placeFlatButton(QWidget* parent, const char* name, const char* imageName, int left,
                             const QString& text, const QPixmap& face, const QString& tip,
                             const QKeySequence& shortcut) {
    auto* image = place<QLabel>(parent, imageName, left, 448, 58, 22);
    image->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    image->setPixmap(face);

    auto* button = place<QPushButton>(parent, name, left, 448, 57, 22);
    button->setText(text);
    button->setFlat(true);
    button->setFocusPolicy(Qt::TabFocus);
    button->setAutoFillBackground(false);
    button->setShortcut(shortcut);
    button->setToolTip(tip + QStringLiteral(" (") + shortcut.toString(QKeySequence::NativeText) +
                       QLatin1Char(')'));
    return button;
}

// Lets the window's shortcuts through a box that would take the keys for
// itself (a line edit takes Ctrl+E as "end of line" on X11).
class ShortcutKeeper : public QObject {
public:
    ShortcutKeeper(QObject* parent, QList<QKeySequence> keys)
        : QObject(parent), m_keys(std::move(keys)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::ShortcutOverride)
            return QObject::eventFilter(watched, event);
        const QKeySequence pressed(static_cast<QKeyEvent*>(event)->keyCombination());
        if (!m_keys.contains(pressed))
            return false;
        // Not accepted: the shortcut map gives the key to the button.
        event->ignore();
        return true;
    }

private:
    QList<QKeySequence> m_keys;
};

// The text box's font: fixed pitch with Chinese glyphs.
QFont scriptFont() {
    QFont font(QStringLiteral("WenQuanYi Micro Hei Mono"));
    font.setFamilies({QStringLiteral("WenQuanYi Micro Hei Mono"),
                      QStringLiteral("Noto Sans Mono CJK SC"), QStringLiteral("NSimSun"),
                      QStringLiteral("DejaVu Sans Mono"), QStringLiteral("monospace")});
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPixelSize(12);
    return font;
}

} // namespace

void TbtnExec::createControls() {
    m_Label5 = placeLabel(this, "Label5", 8, 3, 81, 17, QStringLiteral("源数据库信息:"));
    m_LblSDbMsg = placeLabel(this, "LblSDbMsg", 104, 3, 265, 14, QString());

    m_sourceRows = new SourceTableModel(this);
    m_dxDBGrid1 = place<QTableView>(this, "dxDBGrid1", 8, 20, 361, 265);
    m_dxDBGrid1->setModel(m_sourceRows);
    m_dxDBGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_dxDBGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    // Tab leaves the grid for the next control instead of walking its cells.
    m_dxDBGrid1->setTabKeyNavigation(false);
    m_dxDBGrid1->setWordWrap(false);
    m_dxDBGrid1->verticalHeader()->hide();
    // Fixed row heights keep a store of 100,000 rows as quick as a small one.
    m_dxDBGrid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_dxDBGrid1->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 5);
    m_dxDBGrid1->horizontalHeader()->setHighlightSections(false);
    m_dxDBGrid1->setColumnWidth(SourceTableModel::FieldName, 83);
    m_dxDBGrid1->setColumnWidth(SourceTableModel::FieldType, 106);
    m_dxDBGrid1->setColumnWidth(SourceTableModel::TableName, 88);

    placeLabel(this, "Label1", 8, 304, 81, 17, QStringLiteral("服务器名:"));
    placeLabel(this, "Label2", 8, 333, 81, 17, QStringLiteral("数据库名:"));
    placeLabel(this, "Label3", 8, 363, 81, 17, QStringLiteral("用户名:"));
    placeLabel(this, "Label4", 8, 392, 81, 17, QStringLiteral("密码:"));

    m_EdtDataSource = placeEdit(this, "EdtDataSource", 308, QStringLiteral("."));
    m_EdtDataBase = placeEdit(this, "EdtDataBase", 335, QStringLiteral("hrms"));
    m_EdtUserNo = placeEdit(this, "EdtUserNo", 361, QStringLiteral("Sa"));
    m_EdtPassword = placeEdit(this, "EdtPassword", 388, QString());
    m_EdtPassword->setEchoMode(QLineEdit::Password);
    // Every character of the password shows as "*", whatever the style's
    // own mask character is.
    m_EdtPassword->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));

    m_LblSource = placeLabel(this, "LblSource", 8, 287, 361, 15, QString());
    m_LblSource->setTextFormat(Qt::PlainText);

    m_Memo1 = place<QPlainTextEdit>(this, "Memo1", 384, 20, 321, 393);
    m_Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // A statement keeps its lines; long ones scroll sideways.
    m_Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_Memo1->setFont(scriptFont());
    m_Memo1->setTabChangesFocus(true);
    m_Memo1->setPlainText(helpText());
    m_Memo1->document()->setModified(false);
    m_Memo1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_Memo1, &QPlainTextEdit::customContextMenuRequested, this, &TbtnExec::showMemoMenu);

    m_splitHandle = new SplitHandle(this);
    m_splitHandle->setObjectName(QStringLiteral("SplitHandle"));
    m_splitHandle->setGeometry(370, 20, 13, 393);
    connect(m_splitHandle, &SplitHandle::dragged, this, [this](int dx) {
        m_splitShift =
            m_layout.leftGrowth(size(), m_splitShift + dx) - std::max(0, width() - 740) / 2;
        m_layout.apply(size(), m_splitShift);
    });

    m_ListView1 = place<QListWidget>(this, "ListView1", 296, 192, 33, 25);
    m_ListView1->hide();

    m_PB1 = place<QProgressBar>(this, "PB1", 8, 424, 705, 17);
    m_PB1->setRange(0, 100);
    m_PB1->setValue(0);
    m_PB1->setTextVisible(false);
    m_PB1->hide();
}

void TbtnExec::createButtons() {
    const QPixmap face = buttonFacePixmap();
    m_BtnReadSource = placeFlatButton(
        this, "BtnReadSource", "Image3", 18, QStringLiteral("读源数据"), face,
        QStringLiteral("读取源数据库的结构，存入源数据文件"), QKeySequence(Qt::CTRL | Qt::Key_R));
    m_BtnCompare = placeFlatButton(this, "BtnCompare", "Image5", 174, QStringLiteral("比 对"), face,
                                   QStringLiteral("拿目标数据库与源数据比对，产生SQL语句"),
                                   QKeySequence(Qt::CTRL | Qt::Key_B));
    m_SpeedButton1 = placeFlatButton(this, "SpeedButton1", "Image2", 334, QStringLiteral("执 行"),
                                     face, QStringLiteral("在目标数据库上执行上次比对产生的语句"),
                                     QKeySequence(Qt::CTRL | Qt::Key_E));
    m_BtnClose = placeFlatButton(this, "BtnClose", "Image1", 494, QStringLiteral("关 闭"), face,
                                 QStringLiteral("关闭本工具"), QKeySequence(Qt::CTRL | Qt::Key_Q));
    m_SpeedButton2 =
        placeFlatButton(this, "SpeedButton2", "Image4", 634, QStringLiteral("执行一条"), face,
                        QStringLiteral("在右侧的文本框中输入一条语句，然后按此按钮即执行"),
                        QKeySequence(Qt::CTRL | Qt::Key_Return));

    m_Label6 =
        placeLabel(this, "Label6", 48, 477, 649, 16,
                   QStringLiteral("源数据文件: ") +
                       QDir::toNativeSeparators(QString::fromStdString(m_storePath.string())));

    auto* save = new QAction(QStringLiteral("保存脚本..."), this);
    save->setObjectName(QStringLiteral("SaveScriptAction"));
    save->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    save->setShortcutContext(Qt::WindowShortcut);
    addAction(save);
    connect(save, &QAction::triggered, this, [this] { runGuarded([this] { saveScriptAs(); }); });

    auto* saveReport = new QAction(QStringLiteral("保存差异报告..."), this);
    saveReport->setObjectName(QStringLiteral("SaveReportAction"));
    saveReport->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    saveReport->setShortcutContext(Qt::WindowShortcut);
    addAction(saveReport);
    connect(saveReport, &QAction::triggered, this,
            [this] { runGuarded([this] { saveReportAs(); }); });

    layOutRules();
    keepShortcutsInBoxes();

    connect(m_BtnReadSource, &QPushButton::clicked, this,
            [this] { runGuarded([this] { BtnReadSourceClick(); }); });
    connect(m_BtnCompare, &QPushButton::clicked, this,
            [this] { runGuarded([this] { BtnCompareClick(); }); });
    connect(m_SpeedButton1, &QPushButton::clicked, this,
            [this] { runGuarded([this] { SpeedButton1Click(); }); });
    connect(m_SpeedButton2, &QPushButton::clicked, this,
            [this] { runGuarded([this] { SpeedButton2Click(); }); });
    connect(m_BtnClose, &QPushButton::clicked, this,
            [this] { runGuarded([this] { BtnCloseClick(); }); });
}

void TbtnExec::layOutRules() {
    const std::pair<QWidget*, unsigned> rules[] = {
        {m_LblSDbMsg, GrowsWithLeft},
        {m_dxDBGrid1, GrowsWithLeft | GrowsDown},
        {m_LblSource, GrowsWithLeft | MovesDown},
        {findChild<QWidget*>(QStringLiteral("Label1")), MovesDown},
        {findChild<QWidget*>(QStringLiteral("Label2")), MovesDown},
        {findChild<QWidget*>(QStringLiteral("Label3")), MovesDown},
        {findChild<QWidget*>(QStringLiteral("Label4")), MovesDown},
        {m_EdtDataSource, GrowsWithLeft | MovesDown},
        {m_EdtDataBase, GrowsWithLeft | MovesDown},
        {m_EdtUserNo, GrowsWithLeft | MovesDown},
        {m_EdtPassword, GrowsWithLeft | MovesDown},
        {m_splitHandle, FollowsLeft | GrowsDown},
        {m_Memo1, FollowsLeft | GrowsWithRight | GrowsDown},
        {m_PB1, GrowsAcross | MovesDown},
        {m_Label6, GrowsAcross | MovesDown},
    };
    for (const auto& [control, rule] : rules)
        m_layout.add(control, rule);
    for (const char* name : {"BtnReadSource", "BtnCompare", "SpeedButton1", "BtnClose",
                             "SpeedButton2", "Image3", "Image5", "Image2", "Image1", "Image4"})
        m_layout.add(findChild<QWidget*>(QString::fromLatin1(name)), MovesDown | SpreadsAcross);
}

void TbtnExec::keepShortcutsInBoxes() {
    QList<QKeySequence> keys;
    for (QPushButton* button :
         {m_BtnReadSource, m_BtnCompare, m_SpeedButton1, m_BtnClose, m_SpeedButton2})
        keys.append(button->shortcut());
    keys.append(QKeySequence(Qt::CTRL | Qt::Key_S));
    keys.append(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    auto* keeper = new ShortcutKeeper(this, keys);
    for (QWidget* box : QWidgetList{m_EdtDataSource, m_EdtDataBase, m_EdtUserNo, m_EdtPassword,
                                    m_Memo1, m_dxDBGrid1})
        box->installEventFilter(keeper);
}

void TbtnExec::showMemoMenu(const QPoint& position) {
    std::unique_ptr<QMenu> menu(m_Memo1->createStandardContextMenu());
    menu->setObjectName(QStringLiteral("MemoMenu"));
    menu->addSeparator();
    QAction* save = findChild<QAction*>(QStringLiteral("SaveScriptAction"));
    save->setEnabled(!scriptTextToSave().isEmpty());
    menu->addAction(save);
    QAction* saveReport = findChild<QAction*>(QStringLiteral("SaveReportAction"));
    saveReport->setEnabled(hasReportToSave());
    menu->addAction(saveReport);
    menu->exec(m_Memo1->viewport()->mapToGlobal(position));
}

void TbtnExec::setTabOrderOfControls() {
    // The connection boxes come first, where the user starts typing, then
    // the text box, the grid and the buttons; the hidden list and the bar
    // never take the focus.
    const QWidgetList order = {
        m_EdtDataSource, m_EdtDataBase,   m_EdtUserNo,  m_EdtPassword,  m_Memo1,
        m_dxDBGrid1,     m_BtnReadSource, m_BtnCompare, m_SpeedButton1, m_BtnClose,
        m_SpeedButton2,  m_ListView1,     m_PB1};
    for (qsizetype i = 0; i + 1 < order.size(); ++i)
        setTabOrder(order[i], order[i + 1]);
    m_EdtDataSource->setFocus();
}

QList<QWidget*> TbtnExec::controlsDisabledWhileBusy() const {
    // "关 闭" stays: during the work it asks whether to stop and close.
    return {m_BtnReadSource, m_BtnCompare, m_SpeedButton1, m_SpeedButton2};
}

std::unique_ptr<BusyWindow> TbtnExec::makeBusy() {
    return std::make_unique<BusyWindow>(
        *this, controlsDisabledWhileBusy(),
        [this](bool closing) { return confirmStop(this, closing); }, QList<QWidget*>{m_BtnClose});
}

} // namespace dbc
