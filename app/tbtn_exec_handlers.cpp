// The handlers of the four working buttons: "读源数据" (capture), "比 对"
// (compare), "执 行" (execute the statement list) and "执行一条" (execute the
// text box's text as one command).

#include "tbtn_exec.h"

#include "capture_message.h"
#include "error_box.h"
#include "executor.h"
#include "snapshot_replacement.h"
#include "source_table_model.h"
#include "window_capture_observer.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>

namespace dbc {

ConnectionProperties TbtnExec::connectionProperties() const {
    return {m_EdtDataSource->text().toStdString(), m_EdtDataBase->text().toStdString(),
            m_EdtUserNo->text().toStdString(), m_EdtPassword->text().toStdString()};
}

void TbtnExec::reconnect() {
    WorkflowObserver quiet;
    m_workflow.connect(connectionProperties(), quiet);
}

void TbtnExec::reloadSourceRows(bool ordered) {
    m_sourceRows->setResult(store().gridRows(ordered));
}

void TbtnExec::showMessage(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationDisplayName(), text,
                    QMessageBox::Ok, this);
    box.exec();
}

void TbtnExec::BtnReadSourceClick() {
    runGuarded([this] {
        // The new snapshot is written beside the store and replaces it only
        // when complete; the store is checked before the source is read.
        SnapshotReplacement replacement(m_storePath);
        reconnect();
        WindowCaptureObserver progress(*m_PB1, [this, &replacement] {
            // The grid and the count follow the column rows just written.
            m_sourceRows->setResult(replacement.store().gridRows(false));
            ShowSDbMsg();
        });
        CaptureSummary summary;
        try {
            summary = m_workflow.capture(replacement, progress);
        } catch (...) {
            // The capture rolled back: show the snapshot as it still is.
            try {
                reloadSourceRows(false);
                ShowSDbMsg();
            } catch (const std::exception&) {
            }
            throw;
        }
        m_PB1->hide();
        // The window's store follows the new file.
        m_store.reset();
        m_store = SnapshotStore::openForReading(m_storePath);
        reloadSourceRows(false);
        ShowSDbMsg();
        std::string unreadable = objectsWithoutTextMessage(summary);
        if (!unreadable.empty())
            showMessage(QString::fromStdString(unreadable));
    });
}

void TbtnExec::BtnCompareClick() {
    runGuarded([this] {
        // The statement list is emptied before connecting, so a refused
        // connection leaves an empty list beside the old text.
        ScriptBuffer buffer = scriptView().read();
        buffer.clearStatements();
        m_ListView1->clear();
        reconnect();
        // A run over a snapshot without column rows adds nothing and leaves
        // the text box as the user sees it; every other run starts with "use".
        auto showScript = [&] {
            if (!buffer.statements().empty())
                scriptView().show(buffer);
        };
        // A capture by another program may have put a new snapshot in place.
        if (store().replacedOnDisk()) {
            m_store.reset();
            m_store = SnapshotStore::openForReading(m_storePath);
        }
        try {
            m_workflow.compare(store(), m_EdtDataBase->text().toStdString(), buffer);
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
        m_Memo1->clear();
        WorkflowObserver quiet;
        const ExecutionReport report = m_workflow.execute(buffer, quiet);
        scriptView().show(buffer);
        showMessage(QString::fromStdString(report.connectionLostAt != 0
                                               ? connectionLostLine(report)
                                               : std::string(executeAllDoneMessage)));
    });
}

void TbtnExec::SpeedButton2Click() {
    runGuarded([this] {
        reconnect();
        // The server's refusal reaches the error box with its own message.
        m_workflow.executeOne(m_Memo1->toPlainText().toStdString());
        showMessage(QString::fromUtf8(executeOneDoneMessage));
    });
}

} // namespace dbc
