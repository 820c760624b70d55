#include "cli/commands.h"

#include "cli/exit_status.h"
#include "cli/odbc_driver.h"
#include "cli/output_file.h"
#include "cli/password_prompt.h"
#include "cli/terminal_progress.h"
#include "data/database_error.h"
#include "data/test_point.h"
#include "script/executor.h"
#include "snapshot/index_key_counts.h"
#include "snapshot/snapshot_info.h"
#include "snapshot/snapshot_replacement.h"
#include "snapshot/snapshot_store.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
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
    std::cerr << "dbcompare: " << what << ": " << oneLine(message) << '\n';
    throw CommandFailed{status};
}

std::string describeServer(const ConnectionOptions& options) {
    return "database '" + options.database + "' on server '" + options.server + "'";
}

void writeLines(std::ostream& out, const std::string& text) {
    if (!text.empty())
        out << text << '\n';
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
    }
}

} // namespace

Commands::Commands(ConnectionOptions connection, std::string storePath)
    : m_connection(std::move(connection)), m_storePath(std::move(storePath)),
      m_workflow(odbcDriverFromEnvironment(), m_connection.timeouts) {
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
    // The password is asked for only now, when a connection is made.
    if (!m_connection.passwordGiven) {
        if (const char* fromEnvironment = std::getenv("DBCOMPARE_PASSWORD"))
            m_connection.password = fromEnvironment;
        else if (standardInputIsTerminal())
            m_connection.password = promptPassword("Password: ");
        m_connection.passwordGiven = true;
    }
    ConnectionProperties properties{m_connection.server, m_connection.database, m_connection.user,
                                    m_connection.password};
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
             << replacement->target().string() << ":";
        for (std::size_t i = 0; i < 6; ++i)
            line << (i ? ", " : " ") << tables[i] << ' ' << summary.rows[i];
        if (!summary.objectsWithoutText.empty()) {
            line << "; without readable text:";
            for (std::size_t i = 0; i < summary.objectsWithoutText.size(); ++i)
                line << (i ? ", " : " ") << summary.objectsWithoutText[i];
        }
        std::cout << line.str() << '\n';
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

int Commands::compare(const std::string& outputFile) {
    return guarded([&] {
        if (!outputFile.empty() && sameFile(outputFile, storePath()))
            fail(UsageError, "-o " + outputFile,
                 "that is the snapshot file; give another file for the script");
        const ScriptBuffer script = compareTarget();
        if (outputFile.empty()) {
            writeLines(std::cout, script.displayText());
            return int(Success);
        }
        std::string text = script.displayText();
        if (!text.empty())
            text += '\n';
        try {
            writeFileWhole(outputFile, text);
        } catch (const OutputFileError& error) {
            std::cerr << "dbcompare: " << oneLine(error.what()) << '\n';
            return int(UsageError);
        }
        return int(Success);
    });
}

int Commands::execute(bool dryRun) {
    return guarded([&] {
        ScriptBuffer script = compareTarget();
        if (dryRun) {
            for (const auto& statement : script.statements())
                std::cout << statement << '\n';
            return int(Success);
        }
        const ExecutionReport report = m_workflow.execute(script, m_quiet);
        writeLines(std::cout, failureReport(report));
        if (report.connectionLostAt != 0) {
            std::cerr << "dbcompare: the connection to " << describeServer(m_connection)
                      << " was lost at statement " << report.connectionLostAt << " of "
                      << report.statementCount << "; the statements after it were not run: "
                      << oneLine(report.failures.back().message) << '\n';
            return int(ConnectionOrStoreFailure);
        }
        std::cout << executeAllDoneMessage << '\n';
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
        std::cout << executeOneDoneMessage << '\n';
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
                {"SourceCK", "%zu CHECK constraints"}};
            out << "snapshot " << store->path().string() << '\n';
            const CaptureState state = readCaptureState(store->connection());
            if (state.described)
                out << "captured database '" << state.info.database << "' on server '"
                    << state.info.server << "' at " << state.info.capturedAt << " UTC\n";
            const auto counts = store->counts();
            for (std::size_t i = 0; i < counts.size(); ++i) {
                char names[64];
                std::snprintf(names, sizeof names, what.at(counts[i].table),
                              counts[i].distinctNames);
                out << counts[i].table << ' ' << counts[i].rows << " rows: " << names << '\n';
                if (counts[i].table == "SourceIndex")
                    out << indexKeysLine(countIndexKeys(store->connection())) << '\n';
            }
        } catch (const std::exception& error) {
            fail(ConnectionOrStoreFailure, "snapshot file " + store->path().string(), error.what());
        }
        std::cout << out.str();
        return int(Success);
    });
}

} // namespace dbc::cli
