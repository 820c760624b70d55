#include "cli/target_job.h"

#include "cli/exit_status.h"
#include "cli/output_file.h"
#include "cli/target_file_name.h"
#include "script/data_options.h"
#include "script/executor.h"
#include "script/script_file.h"
#include "snapshot/snapshot_store.h"
#include "workflow/workflow.h"

namespace dbc::cli {

namespace {

std::string oneLine(std::string text) {
    for (char& c : text) {
        if (c == '\n' || c == '\r')
            c = ' ';
    }
    return text;
}

class StopOnRequest : public WorkflowObserver {
public:
    explicit StopOnRequest(const std::atomic<bool>* stop) : m_stop(stop) {}
    bool stopRequested() override { return m_stop && m_stop->load(); }

private:
    const std::atomic<bool>* m_stop;
};

std::string withLineEnd(std::string text) {
    if (!text.empty())
        text += '\n';
    return text;
}

} // namespace

TargetOutcome runTargetJob(const TargetLine& target, const std::string& password,
                           const TargetJobSettings& settings) {
    TargetOutcome outcome;
    outcome.target = target;
    outcome.report.server = target.server;
    outcome.report.database = target.database;
    const std::string stem = targetFileStem(target.server, target.database);
    StopOnRequest observer(settings.stop);

    Workflow workflow(settings.odbcDriver, settings.timeouts);
    workflow.setStatementTimeout(settings.statementTimeoutSeconds);
    workflow.setCompareOptions({settings.dropExtra});
    auto failWith = [&](TargetState state, int status, const std::string& message) {
        outcome.state = state;
        outcome.exitStatus = status;
        outcome.error = oneLine(message);
        outcome.report.error = outcome.error;
        outcome.report.reachable = state != TargetState::Unreachable;
        return outcome;
    };
    try {
        workflow.connect({target.server, target.database, target.user, password,
                          securityFor(target, settings.security)},
                         observer);
    } catch (const std::exception& error) {
        return failWith(TargetState::Unreachable, ConnectionOrStoreFailure, error.what());
    }

    ScriptBuffer script;
    try {
        auto store = SnapshotStore::openForReading(settings.snapshot);
        workflow.compare(*store, target.database, script);
    } catch (const std::exception& error) {
        // What the compare found before it failed is still reported.
        outcome.report.differences = report::differencesOf(script.changes());
        return failWith(TargetState::Failed, ConnectionOrStoreFailure,
                        std::string("compare failed: ") + error.what());
    }
    outcome.report = report::compareReport(target.server, target.database, script);

    // An execution checks the rows first, as a single execute does; the
    // script file then holds what runs (fitting updates, filled columns).
    std::string checkText;
    if (settings.execute) {
        DataCheckResult check;
        try {
            check = workflow.checkData(script);
        } catch (const std::exception& error) {
            return failWith(TargetState::Failed, ConnectionOrStoreFailure,
                            std::string("the data check failed, nothing was run: ") + error.what());
        }
        const DataCheckResult standing = remainingFindings(check, script.changes(), settings.data);
        for (const std::string& line : splitLines(dataCheckReport(standing)))
            if (!line.empty())
                checkText += "data check: " + line + "\n";
        if (standing.valuesLost() && !settings.data.allowDataLoss) {
            const std::string nothingRun =
                "nothing was run: the data check found stored values the script would change "
                "or lose; --allow-data-loss runs it";
            try {
                const auto executionFile = settings.outDir / (stem + ".execute.txt");
                writeFileWhole(executionFile, checkText + nothingRun + "\n");
                outcome.executionFile = executionFile;
            } catch (const std::exception& error) {
                return failWith(TargetState::Failed, UsageError, error.what());
            }
            return failWith(TargetState::Failed, ValuesWouldBeLost, nothingRun);
        }
        script = scriptWithDataOptions(script, check, settings.data);
    }

    try {
        const auto scriptFile = settings.outDir / (stem + ".sql");
        // The file form a single compare writes, runnable in a query tool.
        writeFileWhole(scriptFile, scriptFileText(script));
        outcome.scriptFile = scriptFile;
    } catch (const std::exception& error) {
        return failWith(TargetState::Failed, UsageError, error.what());
    }
    outcome.state = TargetState::Compared;
    if (!settings.execute)
        return outcome;

    const ExecutionReport executed = workflow.execute(script, observer);
    report::ExecutionFacts facts;
    facts.statements = executed.statementCount;
    facts.refused = executed.failures.size();
    facts.connectionLostAt = executed.connectionLostAt;
    facts.stoppedBefore = executed.stoppedBefore;
    outcome.report.execution = facts;
    // What `execute` prints on standard output, and the stop where there was one.
    std::string text = checkText + withLineEnd(failureReport(executed));
    if (executed.stoppedBefore == 0 && executed.connectionLostAt == 0)
        text += std::string(executeAllDoneMessage) + "\n";
    try {
        const auto executionFile = settings.outDir / (stem + ".execute.txt");
        writeFileWhole(executionFile, text);
        outcome.executionFile = executionFile;
    } catch (const std::exception& error) {
        return failWith(TargetState::Failed, UsageError, error.what());
    }
    outcome.state = TargetState::Executed;
    if (executed.stoppedBefore != 0) {
        outcome.state = TargetState::Stopped;
        outcome.exitStatus = interruptedStatus;
        outcome.error =
            "stopped by Ctrl+C before statement " + std::to_string(executed.stoppedBefore);
    } else if (executed.connectionLostAt != 0) {
        outcome.exitStatus = ConnectionOrStoreFailure;
        outcome.error = "the connection was lost at statement " +
                        std::to_string(executed.connectionLostAt) + ": " +
                        oneLine(executed.failures.back().message);
    } else if (!executed.failures.empty()) {
        outcome.exitStatus = StatementsRefused;
    }
    return outcome;
}

} // namespace dbc::cli
