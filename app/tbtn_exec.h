#pragma once

#include "app/script_view.h"
#include "app/window_layout.h"
#include "data/connection.h"
#include "data/sql_server_connection.h"
#include "snapshot/snapshot_store.h"
#include "workflow/workflow.h"

#include <QWidget>

#include <filesystem>
#include <functional>
#include <memory>

class QCloseEvent;
class QLabel;
class QResizeEvent;
class QSettings;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QMoveEvent;
class QShowEvent;
class QTableView;

namespace dbc {

namespace report {
struct TargetReport;
}

class BusyWindow;
class SourceTableModel;

// The program's one window, btnExec: the snapshot's column rows in the grid
// dxDBGrid1, the four connection boxes, the text box Memo1 for help and the
// generated script, and the five flat buttons. At the default size the
// controls sit at their fixed pixel positions; a larger window gives the
// space gained to the grid and the text box (see WindowLayout).
class TbtnExec : public QWidget {
    Q_OBJECT

public:
    // The window over the snapshot store at `storePath`; the store is opened
    // when the window is first shown (FormShow).
    // SQL Server is reached through the ODBC driver `odbcDriver`.
    explicit TbtnExec(std::filesystem::path storePath = defaultStorePath(),
                      QWidget* parent = nullptr, std::string odbcDriver = defaultOdbcDriver);
    ~TbtnExec() override;

    // Opens the snapshot store, shows its SourceTable rows in the grid and
    // their count in LblSDbMsg. Runs on the first show; throws StoreError or
    // DatabaseError when the store cannot be used, leaving the grid empty.
    void FormShow();

    // The smallest inner size that still shows every control.
    static QSize minimumInnerSize();

    // Sets LblSDbMsg to "共有字段:" followed by the number of rows the grid
    // holds.
    void ShowSDbMsg();

    // The snapshot store, opened now (grid and count label shown anew) when it
    // is not open yet, e.g. because it could not be opened at start; throws
    // StoreError with the window's message when it still cannot be used.
    SnapshotStore& store();

    // The rows of SourceTable the grid shows (MDBQ).
    SourceTableModel& sourceRows() noexcept { return *m_sourceRows; }

    // The generated script's two faces, Memo1 and ListView1.
    ScriptView& scriptView() noexcept { return *m_scriptView; }

    const std::filesystem::path& storePath() const noexcept { return m_storePath; }

    // The connection properties as the four boxes hold them now.
    ConnectionProperties connectionProperties() const;

    // What "执 行" may run: nothing before a compare; after a compare that
    // produced statements, those, against the server and database compared
    // (Ready) until they run (Executed) or a capture replaces the snapshot
    // (Outdated).
    enum class ScriptState { None, Ready, NothingDiffers, Executed, Outdated };
    ScriptState scriptState() const noexcept { return m_scriptState; }

    // The text "保存脚本..." writes: the script of the last compare as the
    // text box showed it. Empty when no compare produced a script.
    QString scriptTextToSave() const;

    // Writes scriptTextToSave() to `path` (whole or not at all); refuses the
    // store file and its companion files. Throws std::runtime_error with the
    // window's message.
    void saveScriptTo(const QString& path) const;

    // Whether the last compare left a difference report to save.
    bool hasReportToSave() const noexcept { return m_comparedReport != nullptr; }

    // Writes the difference report of the last compare to `path`: JSON when
    // the name ends in ".json", else the self-contained HTML page. Refuses
    // the store's files as saveScriptTo() does.
    void saveReportTo(const QString& path) const;

    // Keeps the window's size and place, the split and the server, database
    // and user boxes (never the password) in `settings` between starts, and
    // takes them from there now (before the first show), with the
    // connection's security settings (connection_settings.h), read only.
    void rememberIn(std::unique_ptr<QSettings> settings);

public slots:
    void BtnReadSourceClick();
    void BtnCompareClick();
    void SpeedButton1Click();
    void SpeedButton2Click();
    void BtnCloseClick();
    // "保存脚本...": asks for a file name, then saveScriptTo().
    void saveScriptAs();
    // "保存差异报告...": asks for a file name, then saveReportTo().
    void saveReportAs();

protected:
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    void createButtons();
    void setTabOrderOfControls();
    // The rules by which the controls follow a larger window.
    void layOutRules();
    // The context menu of the text box, with "保存脚本...".
    void showMemoMenu(const QPoint& position);
    // Lets the buttons' shortcuts through the boxes that would take the keys.
    void keepShortcutsInBoxes();
    // Shows where the snapshot came from beside the grid.
    void showSnapshotSource();
    // The grid's columns as wide as their captions and contents need.
    void fitGridColumns();
    void restoreSettings();
    void saveSettings() const;
    // The window's BusyWindow for a handler, with the stop question.
    std::unique_ptr<BusyWindow> makeBusy();
    // Sizes the window to its outer size and centres it on its screen.
    // Returns false while the platform does not know the frame yet.
    bool placeOnScreen();
    // Places the window once more when a window manager has framed it since
    // the first show.
    void placeInFrame();
    // Runs a handler body; an exception shows the application's error box.
    void runGuarded(const std::function<void()>& body);
    // ConSql: disconnected, then connected anew from the four boxes; a
    // failure names the server and port tried.
    void reconnect();
    // ConSql connected anew to `properties`; a failure names the server and
    // port tried.
    void connectTo(const ConnectionProperties& properties);
    // How a compare into the window ended.
    enum class CompareEnd { Shown, NoSnapshot, Stopped };
    // "比 对" against `target`: the script (with the drops of the target's
    // surplus objects when `dropExtra`) into Memo1 and ListView1, the
    // compare's records kept for "执 行" and "保存脚本...". Shown leaves the
    // state Ready or NothingDiffers; the other ends leave None.
    CompareEnd compareAndShow(const ConnectionProperties& target, bool dropExtra, BusyWindow& busy);
    // The box that says how compareAndShow ended, where one is due.
    void showCompareEnd(CompareEnd end, const ConnectionProperties& target);
    // The controls a running handler disables.
    QList<QWidget*> controlsDisabledWhileBusy() const;
    // Shows the store's SourceTable rows in the grid (MDBQ opened anew), in
    // stored order or ordered by table and column.
    void reloadSourceRows(bool ordered);

    std::filesystem::path m_storePath;
    std::unique_ptr<SnapshotStore> m_store;
    // Capture, compare and execution over ConSql, the SQL Server connection
    // that capture, compare and "执行一条" make anew and "执 行" uses as the
    // last of them left it.
    Workflow m_workflow;
    // Run after every call on ConSql while a handler wants the window kept
    // alive (repainted) between the calls; empty otherwise.
    std::function<void()> m_afterDatabaseCall;
    // Asked before every call on ConSql while a handler can be stopped
    // between calls; true ends the handler's work with OperationStopped.
    std::function<bool()> m_stopBetweenCalls;
    SourceTableModel* m_sourceRows = nullptr;
    // The text box's text as the last compare left it: "执 行" asks first
    // when the box shows something else.
    QString m_comparedText;
    // The same script as a file a query tool runs with the effect of "执 行":
    // what "保存脚本..." writes.
    QString m_comparedFileText;
    // The difference report of the last compare that produced a script.
    std::shared_ptr<const report::TargetReport> m_comparedReport;
    ScriptState m_scriptState = ScriptState::None;
    // The server, database and login the shown script was compared against;
    // the password stays in memory only.
    ConnectionProperties m_scriptTarget;
    // The change records of the last compare, for the data check before
    // "执 行" (the statement list holds only their texts).
    ChangeList m_comparedChanges;
    // Whether the last compare scripted the drops of the target's surplus
    // objects (the choice 删除多余对象 before "执 行").
    bool m_comparedDropExtra = false;
    WindowLayout m_layout;
    int m_splitShift = 0;
    std::unique_ptr<QSettings> m_settings;
    // Encryption, certificate trust and integrated login from the settings
    // file (connection_settings.h); the driver's defaults without one.
    ConnectionSecurity m_connectionSecurity;
    bool m_geometryRestored = false;
    // The running handler's busy state, asked between calls whether the user
    // wants the work stopped; null while no handler runs.
    BusyWindow* m_busy = nullptr;
    bool m_formShown = false;
    bool m_frameKnown = false;

    QLabel* m_Label5 = nullptr;
    QLabel* m_LblSDbMsg = nullptr;
    QTableView* m_dxDBGrid1 = nullptr;
    QLineEdit* m_EdtDataSource = nullptr;
    QLineEdit* m_EdtDataBase = nullptr;
    QLineEdit* m_EdtUserNo = nullptr;
    QLineEdit* m_EdtPassword = nullptr;
    QPlainTextEdit* m_Memo1 = nullptr;
    QListWidget* m_ListView1 = nullptr;
    QProgressBar* m_PB1 = nullptr;
    QPushButton* m_BtnReadSource = nullptr;
    QPushButton* m_BtnCompare = nullptr;
    QPushButton* m_SpeedButton1 = nullptr;
    QPushButton* m_BtnClose = nullptr;
    QPushButton* m_SpeedButton2 = nullptr;
    QLabel* m_Label6 = nullptr;
    QLabel* m_LblSource = nullptr;
    SplitHandle* m_splitHandle = nullptr;
    std::unique_ptr<ScriptView> m_scriptView;
};

} // namespace dbc
