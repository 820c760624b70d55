// "执 行": runs the statements of the last compare, only against the server
// and database they were compared against, once, after the user has seen
// where and how many.

#include "app/tbtn_exec.h"

#include "app/busy_window.h"
#include "app/data_check_box.h"
#include "app/error_box.h"
#include "app/execute_question_box.h"
#include "app/execution_report_view.h"
#include "app/tbtn_exec_busy_scope.h"
#include "app/window_messages.h"
#include "app/window_progress.h"
#include "data/database_error.h"
#include "script/data_options.h"

#include <QPlainTextEdit>

#include <cctype>

namespace dbc {

namespace {

bool isUseStatement(const std::string& statement) {
    return statement.size() > 4 && std::tolower(static_cast<unsigned char>(statement[0])) == 'u' &&
           std::tolower(static_cast<unsigned char>(statement[1])) == 's' &&
           std::tolower(static_cast<unsigned char>(statement[2])) == 'e' &&
           std::isspace(static_cast<unsigned char>(statement[3]));
}

// SQL Server's "Database '%.*ls' does not exist", which ODBC drivers report
// under SQLSTATE 08004 although the connection stays open.
constexpr long kNoSuchDatabase = 911;

} // namespace

void TbtnExec::SpeedButton1Click() {
    runGuarded([this] {
        switch (m_scriptState) {
        case ScriptState::None:
            showInformation(this, nothingComparedMessage());
            return;
        case ScriptState::NothingDiffers:
            showInformation(this, nothingDiffersToRunMessage());
            return;
        case ScriptState::Executed:
            showInformation(this, alreadyExecutedMessage());
            return;
        case ScriptState::Outdated:
            showInformation(this, outdatedByCaptureMessage());
            return;
        case ScriptState::Ready:
            break;
        }
        // Asked until the shown script is the one the user chose: a changed
        // 删除多余对象 compares again and shows the new script first, so
        // nothing runs that the user has not seen.
        ScriptBuffer buffer = scriptView().read();
        for (;;) {
            const ExecuteQuestion question{
                m_scriptTarget, buffer.statements().size(), connectionProperties(),
                m_Memo1->toPlainText() != m_comparedText, m_comparedDropExtra};
            if (buffer.statements().empty())
                return;
            const ExecuteAnswer answer = askExecute(this, question);
            if (!answer.execute)
                return;
            if (answer.dropExtra == m_comparedDropExtra)
                break;
            const ConnectionProperties target = m_scriptTarget;
            CompareEnd end = CompareEnd::Shown;
            {
                std::unique_ptr<BusyWindow> busy = makeBusy();
                BusyScope scope(m_busy, *busy);
                end = compareAndShow(target, answer.dropExtra, *busy);
                busy->release();
            }
            if (end != CompareEnd::Shown || m_scriptState != ScriptState::Ready) {
                showCompareEnd(end, target);
                return;
            }
            buffer = scriptView().read();
        }
        // The compare's own changes give the same statements as the list:
        // the data check counts the rows they concern.
        ScriptBuffer compared;
        for (const Change& change : m_comparedChanges)
            compared.add(change);
        const bool checkable = compared.statements() == buffer.statements();
        DataCheckResult check;
        {
            std::unique_ptr<BusyWindow> busy = makeBusy();
            BusyScope scope(m_busy, *busy);
            WindowProgress progress(*m_PB1, *busy);
            RepaintBetweenCalls repaint(m_afterDatabaseCall, progress);
            connectTo(m_scriptTarget);
            // The script's "use" runs first on its own: refused, nothing else
            // runs, since the statements after it would land in the login's
            // default database.
            const std::string& first = buffer.statements().front();
            if (isUseStatement(first)) {
                try {
                    m_workflow.executeOne(first);
                } catch (const DatabaseError& error) {
                    if (!error.connectionLost() || error.nativeError() == kNoSuchDatabase)
                        throw DatabaseError(
                            useRefusedMessage(QString::fromStdString(m_scriptTarget.database),
                                              error)
                                .toStdString());
                    throw;
                }
            }
            if (checkable)
                check = m_workflow.checkData(compared);
            busy->release();
        }
        ExecutionMode mode = ExecutionMode::StatementByStatement;
        if (check.needsAnswer()) {
            // Nothing but the "use" has run; cancelled, nothing more does.
            const DataCheckChoice choice = askDataCheck(this, check);
            if (!choice.goOn)
                return;
            buffer = scriptWithDataOptions(compared, check, {true, choice.fillNewColumns});
            if (choice.allOrNothing)
                mode = ExecutionMode::AllOrNothing;
        }
        ExecutionReport report;
        {
            std::unique_ptr<BusyWindow> busy = makeBusy();
            BusyScope scope(m_busy, *busy);
            WindowProgress progress(*m_PB1, *busy);
            RepaintBetweenCalls repaint(m_afterDatabaseCall, progress);
            WindowExecuteObserver observer(progress, *busy);
            report = m_workflow.execute(buffer, observer, mode);
            m_scriptState = ScriptState::Executed;
            scriptView().show(buffer);
            showExecutionReport(*m_Memo1, executionReportText(report));
            busy->release();
        }
        showInformation(this, executeDoneMessage(report));
    });
}

} // namespace dbc
