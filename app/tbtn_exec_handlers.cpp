// The handlers of the four working buttons: "读源数据" (capture), "比 对"
// (compare), "执 行" (execute the statement list) and "执行一条" (execute the
// text box's text as one command). Each runs with the window busy: buttons
// disabled, input dropped, the bar showing from the start.

#include "tbtn_exec.h"

#include "busy_window.h"
#include "capture.h"
#include "compare_run.h"
#include "database_error.h"
#include "error_box.h"
#include "executor.h"
#include "progress_connection.h"
#include "source_table_model.h"
#include "window_capture_observer.h"
#include "window_messages.h"
#include "window_progress.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>

namespace dbc {

ConnectionProperties TbtnExec::connectionProperties() const {
    return {m_EdtDataSource->text().toStdString(), m_EdtDataBase->text().toStdString(),
            m_EdtUserNo->text().toStdString(), m_EdtPassword->text().toStdString()};
}

Connection& TbtnExec::reconnect() {
    m_ConSql.reset();
    const ConnectionProperties properties = connectionProperties();
    try {
        m_ConSql = connectSqlServer(properties);
    } catch (const std::exception& error) {
        throw DatabaseError(connectionFailedMessage(properties, error).toStdString());
    }
    return *m_ConSql;
}

void TbtnExec::reloadSourceRows(const char* sql) {
    m_sourceRows->setResult(store().connection().open(sql));
}

void TbtnExec::BtnReadSourceClick() {
    runGuarded([this] {
        BusyWindow busy(*this, controlsDisabledWhileBusy());
        SnapshotStore& snapshot = store();
        WindowProgress progress(*m_PB1, busy);
        ProgressConnection source(reconnect(), [&progress] { progress.keepWindowAlive(); });
        WindowCaptureObserver observer(progress, [this] {
            // The grid and the count follow the column rows just written.
            reloadSourceRows("Select * From SourceTable");
            ShowSDbMsg();
        });
        CaptureSummary summary;
        try {
            summary = captureSource(source, snapshot, observer);
        } catch (...) {
            // The capture rolled back: show the snapshot as it still is.
            try {
                reloadSourceRows("Select * From SourceTable");
                ShowSDbMsg();
            } catch (const std::exception&) {
            }
            throw;
        }
        reloadSourceRows("Select * From SourceTable");
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
        // The statement list is emptied before connecting, so a refused
        // connection leaves an empty list beside the old text.
        ScriptBuffer buffer = scriptView().read();
        buffer.clearStatements();
        m_ListView1->clear();
        ProgressConnection target(reconnect(), [&progress] { progress.keepWindowAlive(); });
        // A run over a snapshot without column rows adds nothing and leaves
        // the text box as the user sees it; every other run starts with "use".
        auto showScript = [&] {
            if (buffer.statements().empty())
                return;
            scriptView().show(buffer);
            m_comparedText = m_Memo1->toPlainText();
        };
        try {
            runCompare(snapshot.connection(), target, m_EdtDataBase->text().toStdString(), buffer);
        } catch (...) {
            showScript();
            throw;
        }
        showScript();
        reloadSourceRows("Select * From SourceTable Order by TableName,FieldName");
    });
}

void TbtnExec::SpeedButton1Click() {
    runGuarded([this] {
        ScriptBuffer buffer = scriptView().read();
        const auto& statements = buffer.statements();
        if (!statements.empty() && m_Memo1->toPlainText() != m_comparedText &&
            !confirmExecutingComparedStatements(this))
            return;
        {
            BusyWindow busy(*this, controlsDisabledWhileBusy());
            WindowProgress progress(*m_PB1, busy);
            if (statements.empty()) {
                buffer.clearDisplay();
            } else {
                // The connection the last capture, compare or "执行一条" left;
                // made anew from the boxes when that one failed.
                Connection& connection = m_ConSql ? *m_ConSql : reconnect();
                progress.setRange(0, static_cast<int>(statements.size()), QStringLiteral("%v/%m"));
                ProgressConnection target(connection, [&progress] { progress.advance(); });
                m_Memo1->clear();
                executeScript(target, buffer);
            }
            scriptView().show(buffer);
        }
        showInformation(this, QString::fromUtf8(executeAllDoneMessage));
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
            ProgressConnection target(reconnect(), [&progress] { progress.keepWindowAlive(); });
            // The server's refusal reaches the error box with its own message.
            executeOne(target, text);
        }
        showInformation(this, QString::fromUtf8(executeOneDoneMessage));
    });
}

} // namespace dbc
