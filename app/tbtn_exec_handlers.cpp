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
            m_EdtUserNo->text().toStdString(), m_EdtPassword->text().toStdString()};
}

void TbtnExec::reconnect() {
    const ConnectionProperties properties = connectionProperties();
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

void TbtnExec::BtnCompareClick() {
    runGuarded([this] {
        std::unique_ptr<BusyWindow> busy = makeBusy();
        BusyScope scope(m_busy, *busy);
        // A capture by another program may have put a new snapshot in place.
        if (store().replacedOnDisk()) {
            m_store.reset();
            FormShow();
        }
        SnapshotStore& snapshot = store();
        // The script shown so far is not executed any more, whatever comes
        // of this compare.
        m_scriptState = ScriptState::None;
        if (!snapshot.captured()) {
            busy->release();
            showInformation(this, noSnapshotYetMessage());
            return;
        }
        WindowProgress progress(*m_PB1, *busy);
        RepaintBetweenCalls repaint(m_afterDatabaseCall, progress);
        // The statement list is emptied before connecting, so a refused
        // connection leaves an empty list beside the old text.
        ScriptBuffer buffer = scriptView().read();
        buffer.clearStatements();
        m_ListView1->clear();
        const ConnectionProperties target = connectionProperties();
        reconnect();
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
        };
        try {
            StopBetweenCalls stop(m_stopBetweenCalls, *busy);
            m_workflow.compare(snapshot, target.database, buffer);
        } catch (const OperationStopped&) {
            m_ListView1->clear();
            busy->release();
            showInformation(this, compareStoppedMessage());
            return;
        } catch (...) {
            showScript();
            throw;
        }
        showScript();
        reloadSourceRows(true);
        m_scriptTarget = target;
        // Only the "use" statement: the databases do not differ.
        const bool differs = buffer.statements().size() > 1;
        m_scriptState = differs ? ScriptState::Ready : ScriptState::NothingDiffers;
        busy->release();
        if (!differs)
            showInformation(this, nothingDiffersMessage(QString::fromStdString(target.database)));
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

void TbtnExec::saveScriptTo(const QString& path) const {
    const std::filesystem::path chosen = std::filesystem::absolute(path.toStdString());
    const std::filesystem::path store = std::filesystem::absolute(m_storePath);
    // The store, its journal files and a capture's scratch file belong to
    // the store.
    const std::string name = chosen.lexically_normal().string();
    const std::string storeName = store.lexically_normal().string();
    bool ofStore = false;
    for (const char* suffix : {"", "-journal", "-wal", "-shm"})
        ofStore = ofStore || name == storeName + suffix;
    std::error_code same;
    ofStore =
        ofStore || std::filesystem::equivalent(chosen, store, same) ||
        chosen.filename().string().rfind("." + store.filename().string() + ".capture", 0) == 0;
    if (ofStore)
        throw std::runtime_error(saveOntoStoreRefusedMessage(path).toStdString());
    // Written whole beside the file and renamed over it, so a failure leaves
    // the old file as it was.
    QSaveFile file(path);
    const QByteArray bytes = scriptTextToSave().toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw std::runtime_error(saveFailedMessage(path, file.errorString()).toStdString());
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
