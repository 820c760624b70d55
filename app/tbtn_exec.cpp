#include "app/tbtn_exec.h"

#include "app/application_setup.h"
#include "app/error_box.h"
#include "app/progress_connection.h"
#include "app/source_table_model.h"
#include "app/window_messages.h"

#include <QLabel>
#include <QMoveEvent>
#include <QScreen>
#include <QShowEvent>
#include <QWindow>

#include <utility>

namespace dbc {

namespace {

constexpr int kOuterWidth = 740;
constexpr int kOuterHeight = 531;
// The progress bar's right edge (713) and the footer's bottom (493), with the
// window's 8-pixel margin beyond them.
constexpr int kMinimumInnerWidth = 721;
constexpr int kMinimumInnerHeight = 501;

} // namespace

TbtnExec::TbtnExec(std::filesystem::path storePath, QWidget* parent, std::string odbcDriver)
    : QWidget(parent), m_storePath(std::move(storePath)),
      m_workflow([this, driver = std::move(odbcDriver)](const ConnectionProperties& properties) {
          return std::make_unique<ProgressConnection>(connectSqlServer(properties, driver), [this] {
              if (m_afterDatabaseCall)
                  m_afterDatabaseCall();
          });
      }) {
    setObjectName(QStringLiteral("btnExec"));
    setWindowTitle(programTitle());
    setMinimumSize(minimumInnerSize());
    resize(kOuterWidth, kOuterHeight);

    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor(221, 222, 206));
    setPalette(colours);
    setAutoFillBackground(true);

    // "MS Sans Serif" 8 pt is 11 pixels at 96 dpi; where it is missing the
    // nearest sans-serif face with Chinese glyphs takes its place.
    QFont face(QStringLiteral("MS Sans Serif"));
    face.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("sans-serif")});
    face.setStyleHint(QFont::SansSerif);
    face.setPixelSize(11);
    setFont(face);

    createControls();
    createButtons();
    setTabOrderOfControls();
    m_scriptView = std::make_unique<ScriptView>(*m_Memo1, *m_ListView1);
}

TbtnExec::~TbtnExec() = default;

QSize TbtnExec::minimumInnerSize() {
    return {kMinimumInnerWidth, kMinimumInnerHeight};
}

void TbtnExec::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (m_formShown || event->spontaneous())
        return;
    m_formShown = true;
    m_frameKnown = placeOnScreen();
    runGuarded([this] { FormShow(); });
}

void TbtnExec::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    placeInFrame();
}

void TbtnExec::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange)
        placeInFrame();
}

void TbtnExec::placeInFrame() {
    // A window manager frames the window only after it is mapped, so the
    // frame is unknown at the first show; once it is known, the window is
    // sized and centred again so that the frame measures 740 x 531.
    if (m_formShown && !m_frameKnown && windowHandle() != nullptr &&
        !windowHandle()->frameMargins().isNull())
        m_frameKnown = placeOnScreen();
}

bool TbtnExec::placeOnScreen() {
    // The outer size 740 x 531 includes the frame.
    QMargins frame;
    if (const QWindow* window = windowHandle())
        frame = window->frameMargins();
    resize(kOuterWidth - frame.left() - frame.right(), kOuterHeight - frame.top() - frame.bottom());
    if (const QScreen* display = screen()) {
        const QRect area = display->availableGeometry();
        const QPoint topLeft(area.x() + (area.width() - kOuterWidth) / 2,
                             area.y() + (area.height() - kOuterHeight) / 2);
        // Once framed, the frame is placed explicitly: a plain move() of a
        // framed window may place its inner area there instead, the frame
        // then standing out above.
        if (QWindow* window = windowHandle(); window != nullptr && !frame.isNull())
            window->setFramePosition(topLeft);
        else
            move(topLeft);
    }
    return !frame.isNull();
}

void TbtnExec::FormShow() {
    // Disconnect the store and close the rows before opening both anew.
    m_store.reset();
    m_sourceRows->clear();
    // A missing store reads as empty; only a capture creates the file.
    try {
        m_store = SnapshotStore::openForReading(m_storePath);
    } catch (const StoreError& error) {
        throw StoreError(storeFailedMessage(error).toStdString());
    }
    m_sourceRows->setResult(m_store->gridRows(false));
    ShowSDbMsg();
}

void TbtnExec::ShowSDbMsg() {
    m_LblSDbMsg->setText(QStringLiteral("共有字段:") + QString::number(m_sourceRows->rowCount()));
}

SnapshotStore& TbtnExec::store() {
    if (!m_store)
        FormShow();
    return *m_store;
}

void TbtnExec::runGuarded(const std::function<void()>& body) {
    runHandler(this, body);
}

void TbtnExec::BtnCloseClick() {
    close();
}

} // namespace dbc
