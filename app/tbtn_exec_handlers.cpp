// The handlers of the four working buttons: "读源数据" (capture), "比 对"
// (compare), "执 行" (execute the statement list) and "执行一条" (execute the
// text box's text as one command). Each runs with the window busy: buttons
// disabled, input dropped, the bar showing from the start.

#include "app/tbtn_exec.h"

#include "app/busy_window.h"
#include "app/capture_message.h"
#include "app/error_box.h"
#include "app/source_table_model.h"
#include "app/window_capture_observer.h"
#include "app/window_messages.h"
#include "app/window_progress.h"
#include "data/database_error.h"
#include "script/executor.h"
#include "snapshot/snapshot_replacement.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <optional>

namespace dbc {

namespace {

// Keeps the window repainted between the calls on ConSql for as long as it
// lives.
class RepaintBetweenCalls {
public:
    RepaintBetweenCalls(std::function<void()>& slot, WindowProgress& progress) : m_slot(slot) {
        m_slot = [&progress] { progress.keepWindowAlive(); };
    }
    ~RepaintBetweenCalls() { m_slot = nullptr; }
    RepaintBetweenCalls(const RepaintBetweenCalls&) = delete;
    RepaintBetweenCalls& operator=(const RepaintBetweenCalls&) = delete;

private:
    std::function<void()>& m_slot;
};

} // namespace

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
        BusyWindow busy(*this, controlsDisabledWhileBusy());
        // The new snapshot is written beside the store and replaces it only
        // when complete; the store is checked before the source is read.
        std::optional<SnapshotReplacement> replacement;
        try {
            replacement.emplace(m_storePath);
        } catch (const StoreError& error) {
            throw StoreError(storeFailedMessage(error).toStdString());
        }
        WindowProgress progress(*m_PB1, busy);
        RepaintBetweenCalls repaint(m_afterDatabaseCall, progress);
        reconnect();
        WindowCaptureObserver observer(progress, [this, &replacement] {
            // The grid and the count follow the column rows just written.
            m_sourceRows->setResult(replacement->store().gridRows(false));
            ShowSDbMsg();
        });
        CaptureSummary summary;
        try {
            summary = m_workflow.capture(*replacement, observer);
        } catch (...) {
            // The capture rolled back: show the snapshot as it still is.
            try {
                reloadSourceRows(false);
                ShowSDbMsg();
            } catch (const std::exception&) {
            }
            throw;
        }
        // The window's store follows the new file.
        m_store.reset();
        reloadSourceRows(false);
        ShowSDbMsg();
        busy.release();
        std::string unreadable = objectsWithoutTextMessage(summary);
        if (!unreadable.empty())
            showInformation(this, QString::fromStdString(unreadable));
    });
}

void TbtnExec::BtnCompareClick() {
    runGuarded([this] {
        BusyWindow busy(*this, controlsDisabledWhileBusy());
        SnapshotStore& snapshot = store();
        WindowProgress progress(*m_PB1, busy);
        RepaintBetweenCalls repaint(m_afterDatabaseCall, progress);
        // The statement list is emptied before connecting, so a refused
        // connection leaves an empty list beside the old text.
        ScriptBuffer buffer = scriptView().read();
        buffer.clearStatements();
        m_ListView1->clear();
        reconnect();
        // A run over a snapshot without column rows adds nothing and leaves
        // the text box as the user sees it; every other run starts with "use".
        auto showScript = [&] {
            if (buffer.statements().empty())
                return;
            scriptView().show(buffer);
            m_comparedText = m_Memo1->toPlainText();
        };
        // A capture by another program may have put a new snapshot in place.
        if (store().replacedOnDisk()) {
            m_store.reset();
            m_store = SnapshotStore::openForReading(m_storePath);
        }
        try {
            m_workflow.compare(snapshot, m_EdtDataBase->text().toStdString(), buffer);
        } catch (...) {
            showScript();
            throw;
        }
        showScript();
        reloadSourceRows(true);
    });
}

void TbtnExec::SpeedButton1Click() {
    runGuarded([this] {
        ScriptBuffer buffer = scriptView().read();
        const bool hasStatements = !buffer.statements().empty();
        if (hasStatements && m_Memo1->toPlainText() != m_comparedText &&
            !confirmExecutingComparedStatements(this))
            return;
        ExecutionReport report;
        {
            BusyWindow busy(*this, controlsDisabledWhileBusy());
            WindowProgress progress(*m_PB1, busy);
            // The connection the last capture, compare or "执行一条" left;
            // made anew from the boxes when that one failed, so a failure
            // to connect keeps the text box as it is.
            if (hasStatements && m_workflow.connection() == nullptr)
                reconnect();
            m_Memo1->clear();
            WindowExecuteObserver observer(progress);
            report = m_workflow.execute(buffer, observer);
            scriptView().show(buffer);
        }
        showInformation(this, QString::fromStdString(report.connectionLostAt != 0
                                                         ? connectionLostLine(report)
                                                         : std::string(executeAllDoneMessage)));
    });
}

void TbtnExec::SpeedButton2Click() {
    runGuarded([this] {
        const std::string text = m_Memo1->toPlainText().toStdString();
        if (QString::fromStdString(text).trimmed().isEmpty())
            throw DatabaseError(nothingToExecuteMessage().toStdString());
        {
            BusyWindow busy(*this, controlsDisabledWhileBusy());
            WindowProgress progress(*m_PB1, busy);
            RepaintBetweenCalls repaint(m_afterDatabaseCall, progress);
            reconnect();
            // The server's refusal reaches the error box with its own message.
            m_workflow.executeOne(text);
        }
        showInformation(this, QString::fromUtf8(executeOneDoneMessage));
    });
}

} // namespace dbc
