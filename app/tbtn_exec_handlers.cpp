// The handlers of "读源数据" (capture), "比 对" (compare), "执行一条" (execute
// the text box's text as one command) and "保存脚本...". Each runs with the
// window busy: buttons disabled, input dropped, the bar showing from the
// start; Escape or closing the window asks whether to stop.

#include "app/tbtn_exec.h"

#include "app/busy_window.h"
#include "app/error_box.h"
#include "app/execution_report_view.h"
#include "app/source_table_model.h"
#include "app/tbtn_exec_busy_scope.h"
#include "app/window_capture_observer.h"
#include "app/window_messages.h"
#include "app/window_progress.h"
#include "data/database_error.h"
#include "report/html_report.h"
#include "report/json_report.h"
#include "report/report_source.h"
#include "report/target_report.h"
#include "script/script_file.h"
#include "snapshot/snapshot_info.h"
#include "snapshot/snapshot_replacement.h"

#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSaveFile>

#include <optional>

namespace dbc {

ConnectionProperties TbtnExec::connectionProperties() const {
    return {m_EdtDataSource->text().toStdString(), m_EdtDataBase->text().toStdString(),
            m_EdtUserNo->text().toStdString(), m_EdtPassword->text().toStdString(),
            m_connectionSecurity};
}

void TbtnExec::reconnect() {
    connectTo(connectionProperties());
}

void TbtnExec::connectTo(const ConnectionProperties& properties) {
    WorkflowObserver quiet;
    try {
        m_workflow.connect(properties, quiet);
    } catch (const std::exception& error) {
        throw DatabaseError(connectionFailedMessage(properties, error).toStdString());
    }
}

void TbtnExec::reloadSourceRows(bool ordered) {
    m_sourceRows->setResult(store().gridRows(ordered));
}

void TbtnExec::BtnReadSourceClick() {
    runGuarded([this] {
        std::unique_ptr<BusyWindow> busy = makeBusy();
        BusyScope scope(m_busy, *busy);
        // The new snapshot is written beside the store and replaces it only
        // when complete; the store is checked before the source is read.
        std::optional<SnapshotReplacement> replacement;
        try {
            replacement.emplace(m_storePath);
        } catch (const StoreError& error) {
            throw StoreError(storeFailedMessage(m_storePath, error).toStdString());
        }
        WindowProgress progress(*m_PB1, *busy);
        RepaintBetweenCalls repaint(m_afterDatabaseCall, progress);
        const ConnectionProperties source = connectionProperties();
        reconnect();
        WindowCaptureObserver observer(progress, *busy, [this, &replacement] {
            // The grid and the count follow the column rows just written.
            m_sourceRows->setResult(replacement->store().gridRows(false));
            ShowSDbMsg();
        });
        CaptureSummary summary;
        try {
            summary = m_workflow.capture(*replacement, observer);
        } catch (const OperationStopped&) {
            // Stopped by the user: the old snapshot stands, shown as it is.
            replacement.reset();
            reloadSourceRows(false);
            ShowSDbMsg();
            busy->release();
            showInformation(this, captureStoppedMessage());
            return;
        } catch (...) {
            // The capture rolled back: show the snapshot as it still is.
            try {
                reloadSourceRows(false);
                ShowSDbMsg();
            } catch (const std::exception&) {
            }
            throw;
        }
        // The window's store follows the new file; a script compared with
        // the old snapshot is not executed any more.
        m_store.reset();
        reloadSourceRows(false);
        ShowSDbMsg();
        showSnapshotSource();
        fitGridColumns();
        if (m_scriptState == ScriptState::Ready || m_scriptState == ScriptState::NothingDiffers)
            m_scriptState = ScriptState::Outdated;
        const std::vector<StoreTableCount> counts = store().counts();
        busy->release();
        showInformation(this, captureDoneMessage(source, counts, summary));
    });
}

TbtnExec::CompareEnd TbtnExec::compareAndShow(const ConnectionProperties& target, bool dropExtra,
                                              BusyWindow& busy) {
    // A capture by another program may have put a new snapshot in place.
    if (store().replacedOnDisk()) {
        m_store.reset();
        FormShow();
    }
    SnapshotStore& snapshot = store();
    // The script shown so far is not executed any more, whatever comes
    // of this compare.
    m_scriptState = ScriptState::None;
    if (!snapshot.captured())
        return CompareEnd::NoSnapshot;
    WindowProgress progress(*m_PB1, busy);
    RepaintBetweenCalls repaint(m_afterDatabaseCall, progress);
    // The statement list is emptied before connecting, so a refused
    // connection leaves an empty list beside the old text.
    ScriptBuffer buffer = scriptView().read();
    buffer.clearStatements();
    m_ListView1->clear();
    connectTo(target);
    progress.setStage(QStringLiteral("正在比对"));
    auto showScript = [&] {
        if (buffer.statements().empty())
            return;
        clearReportMarks(*m_Memo1);
        scriptView().show(buffer);
        m_comparedText = m_Memo1->toPlainText();
        try {
            m_comparedFileText = QString::fromStdString(scriptFileText(buffer));
        } catch (const ScriptFileError&) {
            // A database name no query tool could take: nothing to save.
            m_comparedFileText.clear();
        }
        m_comparedReport = std::make_shared<const report::TargetReport>(
            report::compareReport(target.server, target.database, buffer));
    };
    try {
        StopBetweenCalls stop(m_stopBetweenCalls, busy);
        m_workflow.setCompareOptions({dropExtra});
        m_workflow.compare(snapshot, target.database, buffer);
    } catch (const OperationStopped&) {
        m_ListView1->clear();
        return CompareEnd::Stopped;
    } catch (...) {
        showScript();
        throw;
    }
    showScript();
    reloadSourceRows(true);
    m_scriptTarget = target;
    m_comparedChanges = buffer.changes();
    m_comparedDropExtra = dropExtra;
    // Only the "use" statement: the databases do not differ.
    const bool differs = buffer.statements().size() > 1;
    m_scriptState = differs ? ScriptState::Ready : ScriptState::NothingDiffers;
    return CompareEnd::Shown;
}

void TbtnExec::showCompareEnd(CompareEnd end, const ConnectionProperties& target) {
    if (end == CompareEnd::NoSnapshot)
        showInformation(this, noSnapshotYetMessage());
    else if (end == CompareEnd::Stopped)
        showInformation(this, compareStoppedMessage());
    else if (m_scriptState == ScriptState::NothingDiffers)
        showInformation(this, nothingDiffersMessage(QString::fromStdString(target.database)));
}

void TbtnExec::BtnCompareClick() {
    runGuarded([this] {
        std::unique_ptr<BusyWindow> busy = makeBusy();
        BusyScope scope(m_busy, *busy);
        // "比 对" compares as the command line does by default: the target's
        // surplus objects stay; the question before "执 行" offers their drops.
        const ConnectionProperties target = connectionProperties();
        const CompareEnd end = compareAndShow(target, false, *busy);
        busy->release();
        showCompareEnd(end, target);
    });
}

void TbtnExec::SpeedButton2Click() {
    runGuarded([this] {
        // Only what the user typed or edited is sent: never the help text, a
        // script or a report the program put into the box.
        const QString shown = m_Memo1->toPlainText();
        if (!m_Memo1->document()->isModified() || shown.trimmed().isEmpty())
            throw DatabaseError(nothingTypedMessage().toStdString());
        {
            std::unique_ptr<BusyWindow> busy = makeBusy();
            BusyScope scope(m_busy, *busy);
            WindowProgress progress(*m_PB1, *busy);
            RepaintBetweenCalls repaint(m_afterDatabaseCall, progress);
            reconnect();
            // The server's refusal reaches the error box with its own message.
            m_workflow.executeOne(shown.toStdString());
        }
        showInformation(this, executeOneDoneText());
    });
}

QString TbtnExec::scriptTextToSave() const {
    // The one place that decides the saved form of the script: each
    // statement its own batch, as "执 行" runs it.
    return m_comparedFileText;
}

namespace {

// The store, its journal files and a capture's scratch file belong to the
// store: nothing the window saves may land on them.
bool belongsToStore(const QString& path, const std::filesystem::path& storePath) {
    const std::filesystem::path chosen = std::filesystem::absolute(path.toStdString());
    const std::filesystem::path store = std::filesystem::absolute(storePath);
    const std::string name = chosen.lexically_normal().string();
    const std::string storeName = store.lexically_normal().string();
    for (const char* suffix : {"", "-journal", "-wal", "-shm"}) {
        if (name == storeName + suffix)
            return true;
    }
    std::error_code same;
    return std::filesystem::equivalent(chosen, store, same) ||
           chosen.filename().string().rfind("." + store.filename().string() + ".capture", 0) == 0;
}

// Written whole beside the file and renamed over it, so a failure leaves the
// old file as it was; returns the error text, empty on success.
QString writeWhole(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return file.errorString();
    return {};
}

} // namespace

void TbtnExec::saveScriptTo(const QString& path) const {
    if (belongsToStore(path, m_storePath))
        throw std::runtime_error(saveOntoStoreRefusedMessage(path).toStdString());
    const QString failed = writeWhole(path, scriptTextToSave().toUtf8());
    if (!failed.isEmpty())
        throw std::runtime_error(saveFailedMessage(path, failed).toStdString());
}

void TbtnExec::saveReportTo(const QString& path) const {
    if (!m_comparedReport)
        throw std::runtime_error(nothingComparedMessage().toStdString());
    if (belongsToStore(path, m_storePath))
        throw std::runtime_error(saveReportOntoStoreRefusedMessage(path).toStdString());
    const report::ReportSource source = report::reportSourceOf(m_storePath, m_storePath);
    const std::vector<report::TargetReport> targets{*m_comparedReport};
    const std::string text = path.endsWith(QStringLiteral(".json"), Qt::CaseInsensitive)
                                 ? report::renderJsonReport(source, targets)
                                 : report::renderHtmlReport(source, targets);
    const QString failed = writeWhole(path, QByteArray::fromStdString(text));
    if (!failed.isEmpty())
        throw std::runtime_error(saveReportFailedMessage(path, failed).toStdString());
}

void TbtnExec::saveReportAs() {
    if (m_busy != nullptr)
        return;
    if (!m_comparedReport)
        throw std::runtime_error(nothingComparedMessage().toStdString());
    // The dialog asks before it overwrites an existing file.
    const QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("保存差异报告"), QString(),
        QStringLiteral("HTML 报告 (*.html);;JSON (*.json);;所有文件 (*)"));
    if (path.isEmpty())
        return;
    saveReportTo(path);
    showInformation(this, reportSavedMessage(QDir::toNativeSeparators(path)));
}

void TbtnExec::saveScriptAs() {
    if (m_busy != nullptr)
        return;
    if (scriptTextToSave().isEmpty())
        throw std::runtime_error(nothingComparedMessage().toStdString());
    // The dialog asks before it overwrites an existing file.
    const QString path =
        QFileDialog::getSaveFileName(this, QStringLiteral("保存脚本"), QString(),
                                     QStringLiteral("SQL 脚本 (*.sql);;所有文件 (*)"));
    if (path.isEmpty())
        return;
    saveScriptTo(path);
    showInformation(this, scriptSavedMessage(QDir::toNativeSeparators(path)));
}

} // namespace dbc
