#include "cli/commands.h"

#include "cli/exit_status.h"
#include "cli/odbc_driver.h"
#include "cli/output_file.h"
#include "cli/password_file.h"
#include "cli/password_prompt.h"
#include "cli/report_file.h"
#include "cli/standard_output.h"
#include "cli/stop_signals.h"
#include "cli/terminal_progress.h"
#include "cli/terminal_text.h"
#include "data/database_error.h"
#include "data/test_point.h"
#include "report/report_source.h"
#include "script/executor.h"
#include "script/script_file.h"
#include "snapshot/index_key_counts.h"
#include "snapshot/snapshot_info.h"
#include "snapshot/snapshot_replacement.h"
#include "snapshot/snapshot_store.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>

namespace dbc::cli {

namespace {

// A failure already reported on standard error, carrying the exit status.
struct CommandFailed {
    int status;
};

// One line: line breaks in a server's message would break "one line per error".
std::string oneLine(std::string text) {
    for (char& c : text) {
        if (c == '\n' || c == '\r')
            c = ' ';
    }
    return text;
}

[[noreturn]] void fail(int status, const std::string& what, const std::string& message) {
    writeStandardError("dbcompare: " + oneLine(what) + ": " + oneLine(message) + "\n");
    throw CommandFailed{status};
}

// A name from a database or the command line in a one-line report: every
// control character, line breaks included, written visibly.
std::string shownName(const std::string& name) {
    return visibleControls(name, false);
}

std::string describeServer(const ConnectionOptions& options) {
    return "database '" + shownName(options.database) + "' on server '" +
           shownName(options.server) + "'";
}

void writeLines(const std::string& text) {
    if (!text.empty())
        writeStandardOutput(text + "\n");
}

// The keys among the snapshot's indexes, for `show`.
std::string indexKeysLine(const std::optional<IndexKeyCounts>& counts) {
    if (!counts)
        return "  keys: not recorded (captured by an earlier release; capture again to compare "
               "keys)";
    return "  keys: " + std::to_string(counts->primaryKeys) + " primary keys, " +
           std::to_string(counts->uniqueConstraints) + " unique constraints, " +
           std::to_string(counts->uniqueIndexes) + " unique indexes";
}

// Execute's progress: asks to stop when Ctrl-C or SIGTERM came.
class ExecuteObserver : public WorkflowObserver {
public:
    bool stopRequested() override { return StopOnSignals::requested(); }
};

// The capture's progress on the terminal, with a test point after each row
// or object.
class CaptureProgress : public WorkflowObserver {
public:
    void stepStarted(CaptureStep step, int minimum, int maximum) override {
        m_terminal.stepStarted(step, minimum, maximum);
    }
    void advanced() override {
        m_terminal.advanced();
        testPoint("capture-row");
    }
    void columnRowsWritten() override { m_terminal.columnRowsWritten(); }

private:
    TerminalProgress m_terminal;
};

template <typename Body> int guarded(Body&& body) {
    try {
        return body();
    } catch (const CommandFailed& failed) {
        return failed.status;
    } catch (const StandardOutputError& error) {
        writeStandardError("dbcompare: " + std::string(error.what()) + "\n");
        return int(OutputFailure);
    }
}

} // namespace

void Commands::writeReport(const std::string& reportFile, const ScriptBuffer& script) {
    const report::TargetReport target =
        report::compareReport(m_connection.server, m_connection.database, script);
    try {
        writeReportFile(reportFile, report::reportSourceOf(storePath(), storePath()), {target});
    } catch (const std::exception& error) {
        fail(UsageError, "--report " + reportFile, error.what());
    }
}

Commands::Commands(ConnectionOptions connection, std::string storePath)
    : m_connection(std::move(connection)), m_storePath(std::move(storePath)),
      m_workflow(odbcDriverOr(m_connection.odbcDriver), m_connection.timeouts) {
    m_workflow.setStatementTimeout(m_connection.statementTimeoutSeconds);
}

std::filesystem::path Commands::storePath() const {
    return m_storePath.empty() ? defaultStorePath() : std::filesystem::path(m_storePath);
}

std::unique_ptr<SnapshotStore> Commands::openCapturedStore() {
    const std::filesystem::path path = storePath();
    const std::string nothingCaptured = "the snapshot file " + path.string() +
                                        " holds no captured database; run dbcompare capture first";
    std::error_code ignored;
    if (!std::filesystem::exists(path, ignored))
        fail(ConnectionOrStoreFailure, "no snapshot", nothingCaptured);
    try {
        auto store = SnapshotStore::openForReading(path);
        if (!store->captured())
            fail(ConnectionOrStoreFailure, "no snapshot", nothingCaptured);
        return store;
    } catch (const std::exception& error) {
        fail(ConnectionOrStoreFailure, "snapshot file " + path.string(), error.what());
    }
}

void Commands::connect() {
    // The password is asked for only now, when a connection is made; an
    // integrated login has none.
    if (!m_connection.passwordGiven && !m_connection.security.integratedLogin) {
        try {
            if (!m_connection.passwordFile.empty())
                m_connection.password = readPasswordFile(m_connection.passwordFile);
            else if (const char* fromEnvironment = std::getenv("DBCOMPARE_PASSWORD"))
                m_connection.password = fromEnvironment;
            else if (standardInputIsTerminal())
                m_connection.password = promptPassword("Password: ");
        } catch (const PasswordFileError& error) {
            fail(UsageError, "--password-file", error.what());
        } catch (const PasswordPromptCancelled& error) {
            fail(StoppedOnRequest, "no password", error.what());
        }
        m_connection.passwordGiven = true;
    }
    ConnectionProperties properties{m_connection.server, m_connection.database, m_connection.user,
                                    m_connection.password, m_connection.security};
    try {
        m_workflow.connect(properties, m_quiet);
    } catch (const std::exception& error) {
        fail(ConnectionOrStoreFailure, "cannot connect to " + describeServer(m_connection),
             error.what());
    }
}

int Commands::capture() {
    return guarded([&] {
        // The store is checked (and its scratch file made) before the
        // source is read; nothing under its name changes until the new
        // snapshot is complete.
        std::optional<SnapshotReplacement> replacement;
        try {
            replacement.emplace(storePath());
        } catch (const std::exception& error) {
            fail(ConnectionOrStoreFailure, "cannot capture", error.what());
        }
        connect();
        const std::string failed =
            "capture of " + describeServer(m_connection) + " failed, the snapshot is unchanged";
        CaptureSummary summary;
        try {
            CaptureProgress progress;
            summary = m_workflow.capture(*replacement, progress);
        } catch (const StoreError& error) {
            fail(ConnectionOrStoreFailure, failed, error.what());
        } catch (const std::exception& error) {
            fail(ConnectionOrStoreFailure, failed,
                 "reading the source: " + std::string(error.what()));
        }
        static constexpr const char* tables[] = {"SourceTable", "SourceIndex", "SourceSp",
                                                 "SourceView",  "SourceTR",    "SourceDF"};
        std::ostringstream line;
        line << "captured " << describeServer(m_connection) << " into "
             << shownName(replacement->target().string()) << ":";
        for (std::size_t i = 0; i < 6; ++i)
            line << (i ? ", " : " ") << tables[i] << ' ' << summary.rows[i];
        if (!summary.objectsWithoutText.empty()) {
            line << "; without readable text:";
            for (std::size_t i = 0; i < summary.objectsWithoutText.size(); ++i)
                line << (i ? ", " : " ") << shownName(summary.objectsWithoutText[i]);
        }
        writeStandardOutput(line.str() + "\n");
        return int(Success);
    });
}

ScriptBuffer Commands::compareTarget() {
    ScriptBuffer script;
    auto store = openCapturedStore();
    testPoint("compare-store-opened");
    // As the window's "比 对": the run starts with an empty statement list
    // and connects before it reads anything.
    connect();
    testPoint("compare-connected");
    try {
        m_workflow.compare(*store, m_connection.database, script);
    } catch (const StoreError& error) {
        fail(ConnectionOrStoreFailure, "compare failed", error.what());
    } catch (const std::exception& error) {
        fail(ConnectionOrStoreFailure, "compare with " + describeServer(m_connection) + " failed",
             error.what());
    }
    return script;
}

int Commands::compare(const std::string& outputFile, const std::string& reportFile) {
    return guarded([&] {
        if (!outputFile.empty() && belongsToStore(outputFile, storePath()))
            fail(UsageError, "-o " + outputFile,
                 "that is the snapshot file or a file that belongs to it; give another file for "
                 "the script");
        if (!reportFile.empty() && belongsToStore(reportFile, storePath()))
            fail(UsageError, "--report " + reportFile,
                 "that is the snapshot file or a file that belongs to it; give another file for "
                 "the report");
        const ScriptBuffer script = compareTarget();
        // The file form, which a query tool runs with exactly the effect of
        // execute, whether it goes to a file or through standard output.
        std::string text;
        try {
            text = scriptFileText(script);
        } catch (const ScriptFileError& error) {
            fail(UsageError, "cannot write the script", error.what());
        }
        if (!reportFile.empty())
            writeReport(reportFile, script);
        if (outputFile.empty()) {
            writeStandardOutput(text);
            return int(Success);
        }
        try {
            writeFileWhole(outputFile, text);
        } catch (const OutputFileError& error) {
            writeStandardError("dbcompare: " + oneLine(error.what()) + "\n");
            return int(UsageError);
        }
        return int(Success);
    });
}

DataCheckResult Commands::checkData(const ScriptBuffer& script) {
    try {
        return m_workflow.checkData(script);
    } catch (const std::exception& error) {
        fail(ConnectionOrStoreFailure,
             "the data check on " + describeServer(m_connection) + " failed, nothing was run",
             error.what());
    }
}

int Commands::execute(bool dryRun, bool allOrNothing, DataOptions data) {
    return guarded([&] {
        const ScriptBuffer compared = compareTarget();
        const DataCheckResult check = checkData(compared);
        ScriptBuffer script = scriptWithDataOptions(compared, check, data);
        const DataCheckResult standing = remainingFindings(check, compared.changes(), data);
        // The list goes to standard error, so that standard output stays the
        // statements (--dry-run) or the run's report.
        for (const std::string& line : splitLines(dataCheckReport(standing)))
            if (!line.empty())
                writeStandardError("dbcompare: data check: " + shownName(line) + "\n");
        if (dryRun) {
            std::string text;
            for (const auto& statement : script.statements())
                text += statement + '\n';
            writeStandardOutput(text);
            return int(Success);
        }
        if (standing.valuesLost() && !data.allowDataLoss) {
            writeStandardError("dbcompare: nothing was run: the statements above would change or "
                               "lose stored values; run again with --allow-data-loss to run "
                               "them\n");
            return int(ValuesWouldBeLost);
        }
        ExecutionReport report;
        {
            // Ctrl-C or SIGTERM stops the run between statements; a second
            // one ends the program at once.
            StopOnSignals stopOnSignals;
            ExecuteObserver observer;
            report = m_workflow.execute(script, observer,
                                        allOrNothing ? ExecutionMode::AllOrNothing
                                                     : ExecutionMode::StatementByStatement);
        }
        writeLines(failureReport(report));
        if (report.connectionLostAt != 0) {
            writeStandardError("dbcompare: the connection to " + describeServer(m_connection) +
                               " was lost at statement " + std::to_string(report.connectionLostAt) +
                               " of " + std::to_string(report.statementCount) +
                               " while it ran; whether it took effect is unknown; the "
                               "statements after it were not run: " +
                               oneLine(report.connectionLostMessage) + "\n");
            return int(ConnectionOrStoreFailure);
        }
        if (report.stoppedBefore != 0) {
            writeStandardError("dbcompare: stopped on request before statement " +
                               std::to_string(report.stoppedBefore) + " of " +
                               std::to_string(report.statementCount) + ": " +
                               std::to_string(report.stoppedBefore - 1) + " run, " +
                               std::to_string(report.failures.size()) +
                               " of them refused; the rest were not run\n");
            return int(StoppedOnRequest);
        }
        writeStandardOutput(std::string(executeAllDoneMessage) + "\n");
        return int(report.failures.empty() ? Success : StatementsRefused);
    });
}

int Commands::execOne(const std::string& sql, const std::string& inputFile) {
    return guarded([&] {
        std::string text = sql;
        if (!inputFile.empty()) {
            std::ifstream in(inputFile, std::ios::binary);
            if (!in)
                fail(UsageError, "cannot read " + inputFile, std::strerror(errno));
            std::ostringstream content;
            content << in.rdbuf();
            if (in.bad())
                fail(UsageError, "cannot read " + inputFile, std::strerror(errno));
            text = content.str();
            if (text.find_first_not_of(" \t\r\n") == std::string::npos)
                fail(UsageError, inputFile, "the file holds no command text");
            // The driver would send only the text before a NUL.
            if (const auto nul = text.find('\0'); nul != std::string::npos)
                fail(UsageError, inputFile,
                     "the file holds a NUL character (at byte " + std::to_string(nul + 1) +
                         "); a command text cannot hold one, so nothing was run");
        }
        connect();
        try {
            m_workflow.executeOne(text);
        } catch (const DatabaseError& error) {
            if (error.connectionLost())
                fail(ConnectionOrStoreFailure,
                     "the connection to " + describeServer(m_connection) + " was lost",
                     error.what());
            fail(StatementsRefused, "the server refused the command", error.what());
        }
        writeStandardOutput(std::string(executeOneDoneMessage) + "\n");
        return int(Success);
    });
}

int Commands::show() {
    return guarded([&] {
        auto store = openCapturedStore();
        // Everything is gathered first, so a failure prints nothing on
        // standard output.
        std::ostringstream out;
        try {
            SnapshotStore::Transaction readOnce(*store);
            // What each table's distinct names are, as the compare walks them.
            static const std::map<std::string, const char*> what = {
                {"SourceTable", "columns of %zu tables"},
                {"SourceIndex", "index keys of %zu tables"},
                {"SourceSp", "%zu procedures"},
                {"SourceView", "%zu views"},
                {"SourceTR", "%zu triggers"},
                {"SourceDF", "%zu defaults"},
                {"SourceFK", "%zu foreign keys"},
                {"SourceCK", "%zu CHECK constraints"},
                {"SourceFN", "%zu functions"},
                {"SourceType", "%zu alias types"}};
            out << "snapshot " << shownName(store->path().string()) << '\n';
            const CaptureState state = readCaptureState(store->connection());
            if (state.described)
                out << "captured database '" << shownName(state.info.database) << "' on server '"
                    << shownName(state.info.server) << "' at " << shownName(state.info.capturedAt)
                    << " UTC\n";
            if (!state.info.serverVersion.empty())
                out << "source server version " << shownName(state.info.serverVersion) << '\n';
            const auto counts = store->counts();
            for (std::size_t i = 0; i < counts.size(); ++i) {
                char names[64];
                std::snprintf(names, sizeof names, what.at(counts[i].table),
                              counts[i].distinctNames);
                out << counts[i].table << ' ' << counts[i].rows << " rows: " << names << '\n';
                if (counts[i].table == "SourceIndex")
                    out << indexKeysLine(countIndexKeys(store->connection())) << '\n';
                if (counts[i].table == "SourceTable")
                    if (const auto computed = store->computedColumnCount())
                        out << "  computed columns: " << *computed << '\n';
            }
        } catch (const std::exception& error) {
            fail(ConnectionOrStoreFailure, "snapshot file " + store->path().string(), error.what());
        }
        writeStandardOutput(out.str());
        return int(Success);
    });
}

} // namespace dbc::cli
