#include "app/tbtn_exec.h"

#include "app/application_setup.h"
#include "app/connection_settings.h"
#include "app/error_box.h"
#include "app/progress_connection.h"
#include "app/source_table_model.h"
#include "app/window_messages.h"
#include "data/database_error.h"
#include "snapshot/snapshot_info.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMoveEvent>
#include <QResizeEvent>
#include <QScreen>
#include <QSettings>
#include <QShowEvent>
#include <QTableView>
#include <QWindow>

#include <algorithm>
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
          return std::make_unique<ProgressConnection>(
              connectSqlServer(properties, driver),
              [this] {
                  if (m_afterDatabaseCall)
                      m_afterDatabaseCall();
              },
              [this] {
                  if (m_stopBetweenCalls && m_stopBetweenCalls())
                      throw OperationStopped();
              });
      }),
      m_layout(QSize(kOuterWidth, kOuterHeight)) {
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
    // A size and place remembered from the last start stand; otherwise the
    // window is centred at its default size.
    m_frameKnown = m_geometryRestored || placeOnScreen();
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
        throw StoreError(storeFailedMessage(m_storePath, error).toStdString());
    }
    m_sourceRows->setResult(m_store->gridRows(false));
    ShowSDbMsg();
    showSnapshotSource();
    fitGridColumns();
}

void TbtnExec::showSnapshotSource() {
    QString text;
    if (m_store) {
        try {
            text = snapshotSourceText(readCaptureState(m_store->connection()));
        } catch (const std::exception&) {
            // A store that cannot say where it came from shows no origin.
        }
    }
    m_LblSource->setText(text);
    m_LblSource->setToolTip(text);
}

void TbtnExec::fitGridColumns() {
    // Each column at least as wide as at the default size, wider when its
    // caption or the rows in view need it.
    const int defaults[] = {83, m_dxDBGrid1->horizontalHeader()->defaultSectionSize(), 106, 88};
    for (int column = 0; column < SourceTableModel::ColumnCount; ++column) {
        m_dxDBGrid1->resizeColumnToContents(column);
        m_dxDBGrid1->setColumnWidth(column,
                                    std::max(defaults[column], m_dxDBGrid1->columnWidth(column)));
    }
}

void TbtnExec::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_layout.apply(size(), m_splitShift);
}

void TbtnExec::closeEvent(QCloseEvent* event) {
    saveSettings();
    QWidget::closeEvent(event);
}

void TbtnExec::rememberIn(std::unique_ptr<QSettings> settings) {
    m_settings = std::move(settings);
    restoreSettings();
}

void TbtnExec::restoreSettings() {
    if (!m_settings)
        return;
    QSettings& settings = *m_settings;
    const std::pair<const char*, QLineEdit*> boxes[] = {
        {"server", m_EdtDataSource}, {"database", m_EdtDataBase}, {"user", m_EdtUserNo}};
    for (const auto& [key, box] : boxes) {
        const QVariant value = settings.value(QStringLiteral("boxes/") + QLatin1String(key));
        if (value.isValid())
            box->setText(value.toString());
    }
    m_connectionSecurity = connectionSecurityFrom(settings);
    m_splitShift = settings.value(QStringLiteral("window/split"), 0).toInt();
    const QByteArray geometry = settings.value(QStringLiteral("window/geometry")).toByteArray();
    m_geometryRestored = !geometry.isEmpty() && restoreGeometry(geometry);
    m_layout.apply(size(), m_splitShift);
}

void TbtnExec::saveSettings() const {
    if (!m_settings)
        return;
    QSettings& settings = *m_settings;
    settings.setValue(QStringLiteral("boxes/server"), m_EdtDataSource->text());
    settings.setValue(QStringLiteral("boxes/database"), m_EdtDataBase->text());
    settings.setValue(QStringLiteral("boxes/user"), m_EdtUserNo->text());
    settings.setValue(QStringLiteral("window/split"), m_splitShift);
    settings.setValue(QStringLiteral("window/geometry"), saveGeometry());
    settings.sync();
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
