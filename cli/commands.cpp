#include "commands.h"

#include "capture.h"
#include "compare_run.h"
#include "database_error.h"
#include "executor.h"
#include "exit_status.h"
#include "output_file.h"
#include "password_prompt.h"
#include "script_buffer.h"
#include "snapshot_info.h"
#include "snapshot_replacement.h"
#include "snapshot_store.h"
#include "sql_server_connection.h"
#include "terminal_progress.h"
#include "test_point.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
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

std::size_t countRows(Connection& store, const std::string& sql) {
    return store.open(sql).size();
}

// The capture's progress on the terminal, with a test point after each row
// or object.
class CaptureProgress : public CaptureObserver {
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
    : m_connection(std::move(connection)), m_storePath(std::move(storePath)) {}

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

std::unique_ptr<Connection> Commands::connect() {
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
        return connectSqlServer(properties, m_connection.timeouts);
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
        auto source = connect();
        const std::string failed =
            "capture of " + describeServer(m_connection) + " failed, the snapshot is unchanged";
        CaptureSummary summary;
        try {
            CaptureProgress progress;
            summary = captureSource(*source, replacement->store(), progress);
        } catch (const StoreError& error) {
            fail(ConnectionOrStoreFailure, failed, error.what());
        } catch (const std::exception& error) {
            fail(ConnectionOrStoreFailure, failed,
                 "reading the source: " + std::string(error.what()));
        }
        try {
            replacement->commit({m_connection.database, m_connection.server, utcNow()});
        } catch (const std::exception& error) {
            fail(ConnectionOrStoreFailure, failed, error.what());
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

Commands::ComparedTarget Commands::compareTarget() {
    ComparedTarget run;
    run.store = openCapturedStore();
    testPoint("compare-store-opened");
    // As the window's "比 对": the run starts with an empty statement list
    // and connects before it reads anything.
    run.target = connect();
    testPoint("compare-connected");
    try {
        // One read transaction: every table of the snapshot is read from
        // the same state of the file.
        SnapshotStore::Transaction readOnce(*run.store);
        runCompare(run.store->connection(), *run.target, m_connection.database, run.buffer);
    } catch (const StoreError& error) {
        fail(ConnectionOrStoreFailure, "compare failed", error.what());
    } catch (const std::exception& error) {
        fail(ConnectionOrStoreFailure, "compare with " + describeServer(m_connection) + " failed",
             error.what());
    }
    return run;
}

int Commands::compare(const std::string& outputFile) {
    return guarded([&] {
        if (!outputFile.empty() && sameFile(outputFile, storePath()))
            fail(UsageError, "-o " + outputFile,
                 "that is the snapshot file; give another file for the script");
        ComparedTarget run = compareTarget();
        if (outputFile.empty()) {
            writeLines(std::cout, run.buffer.displayText());
            return int(Success);
        }
        std::string text = run.buffer.displayText();
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
        ComparedTarget run = compareTarget();
        if (dryRun) {
            for (const auto& statement : run.buffer.statements())
                std::cout << statement << '\n';
            return int(Success);
        }
        run.target->setQueryTimeout(m_connection.statementTimeoutSeconds);
        ExecutionReport report = runStatements(*run.target, run.buffer.statements());
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
        auto target = connect();
        target->setQueryTimeout(m_connection.statementTimeoutSeconds);
        try {
            executeOne(*target, text);
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
            Connection& db = store->connection();
            SnapshotStore::Transaction readOnce(*store);
            struct Line {
                const char* table;
                const char* groupedNames; // the distinct names the compare walks
                const char* what;
            };
            static constexpr Line lines[] = {
                {"SourceTable", "Select TableName From SourceTable Group by TableName",
                 "columns of %zu tables"},
                {"SourceIndex", "Select TableName From SourceIndex Group by TableName",
                 "index keys of %zu tables"},
                {"SourceSp", "Select SpName From SourceSp Group by SpName", "%zu procedures"},
                {"SourceView", "Select ViewName From SourceView Group by ViewName", "%zu views"},
                {"SourceTR", "Select TRName From SourceTR Group by TRName", "%zu triggers"},
                {"SourceDF", "Select DFName From SourceDF Group by DFName", "%zu defaults"},
            };
            out << "snapshot " << store->path().string() << '\n';
            CaptureState state = readCaptureState(db);
            if (state.described)
                out << "captured database '" << state.info.database << "' on server '"
                    << state.info.server << "' at " << state.info.capturedAt << " UTC\n";
            for (const Line& line : lines) {
                char what[64];
                std::snprintf(what, sizeof what, line.what, countRows(db, line.groupedNames));
                out << line.table << ' '
                    << countRows(db, std::string("Select * From ") + line.table)
                    << " rows: " << what << '\n';
            }
        } catch (const std::exception& error) {
            fail(ConnectionOrStoreFailure, "snapshot file " + store->path().string(), error.what());
        }
        std::cout << out.str();
        return int(Success);
    });
}

} // namespace dbc::cli
