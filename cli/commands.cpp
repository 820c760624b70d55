#include "commands.h"

#include "database_error.h"
#include "executor.h"
#include "exit_status.h"
#include "index_key_counts.h"
#include "odbc_driver.h"
#include "password_prompt.h"
#include "snapshot_store.h"
#include "terminal_progress.h"

#include <cstdio>
#include <cstdlib>
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

// The keys among the snapshot's indexes, for `show`.
std::string indexKeysLine(const std::optional<IndexKeyCounts>& counts) {
    if (!counts)
        return "  keys: not recorded (captured by an earlier release; capture again to compare "
               "keys)";
    return "  keys: " + std::to_string(counts->primaryKeys) + " primary keys, " +
           std::to_string(counts->uniqueConstraints) + " unique constraints, " +
           std::to_string(counts->uniqueIndexes) + " unique indexes";
}

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
      m_workflow(odbcDriverFromEnvironment()) {
    if (!m_connection.passwordGiven) {
        if (const char* fromEnvironment = std::getenv("DBCOMPARE_PASSWORD"))
            m_connection.password = fromEnvironment;
        else if (standardInputIsTerminal())
            m_connection.password = promptPassword("Password: ");
    }
}

std::unique_ptr<SnapshotStore> Commands::openStore(bool createIfMissing) {
    std::filesystem::path path =
        m_storePath.empty() ? defaultStorePath() : std::filesystem::path(m_storePath);
    std::error_code ignored;
    if (!createIfMissing && !std::filesystem::exists(path, ignored))
        fail(ConnectionOrStoreFailure, "snapshot file " + path.string(),
             "the file does not exist; run dbcompare capture first");
    try {
        return SnapshotStore::open(path);
    } catch (const std::exception& error) {
        fail(ConnectionOrStoreFailure, "snapshot file " + path.string(), error.what());
    }
}

void Commands::connect() {
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
        auto store = openStore(true);
        connect();
        CaptureSummary summary;
        try {
            TerminalProgress progress;
            summary = m_workflow.capture(*store, progress);
        } catch (const std::exception& error) {
            fail(ConnectionOrStoreFailure,
                 "capture of " + describeServer(m_connection) +
                     " failed, the snapshot is unchanged",
                 error.what());
        }
        static constexpr const char* tables[] = {"SourceTable", "SourceIndex", "SourceSp",
                                                 "SourceView",  "SourceTR",    "SourceDF"};
        std::ostringstream line;
        line << "captured " << describeServer(m_connection) << " into " << store->path().string()
             << ":";
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
    auto store = openStore();
    // As the window's "比 对": the run starts with an empty statement list
    // and connects before it reads anything.
    connect();
    try {
        m_workflow.compare(*store, m_connection.database, script);
    } catch (const std::exception& error) {
        fail(ConnectionOrStoreFailure, "compare with " + describeServer(m_connection) + " failed",
             error.what());
    }
    return script;
}

int Commands::compare(const std::string& outputFile) {
    return guarded([&] {
        const ScriptBuffer script = compareTarget();
        if (outputFile.empty()) {
            writeLines(std::cout, script.displayText());
            return int(Success);
        }
        std::ofstream out(outputFile, std::ios::binary | std::ios::trunc);
        writeLines(out, script.displayText());
        out.close();
        if (!out)
            fail(UsageError, "cannot write " + outputFile, "write failed");
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
        const auto failures = m_workflow.execute(script, m_quiet);
        writeLines(std::cout, failureReport(failures));
        std::cout << executeAllDoneMessage << '\n';
        return int(failures.empty() ? Success : StatementsRefused);
    });
}

int Commands::execOne(const std::string& sql, const std::string& inputFile) {
    return guarded([&] {
        std::string text = sql;
        if (!inputFile.empty()) {
            std::ifstream in(inputFile, std::ios::binary);
            std::ostringstream content;
            content << in.rdbuf();
            if (!in && !in.eof())
                fail(UsageError, "cannot read " + inputFile, "read failed");
            text = content.str();
        }
        connect();
        try {
            m_workflow.executeOne(text);
        } catch (const DatabaseError& error) {
            fail(StatementsRefused, "the server refused the command", error.what());
        }
        std::cout << executeOneDoneMessage << '\n';
        return int(Success);
    });
}

int Commands::show() {
    return guarded([&] {
        auto store = openStore();
        try {
            // What each table's distinct names are, as the compare walks them.
            static constexpr const char* what[] = {
                "columns of %zu tables", "index keys of %zu tables",
                "%zu procedures",        "%zu views",
                "%zu triggers",          "%zu defaults"};
            const auto counts = store->counts();
            std::cout << "snapshot " << store->path().string() << '\n';
            for (std::size_t i = 0; i < counts.size(); ++i) {
                char names[64];
                std::snprintf(names, sizeof names, what[i], counts[i].distinctNames);
                std::cout << counts[i].table << ' ' << counts[i].rows << " rows: " << names << '\n';
                if (counts[i].table == "SourceIndex")
                    std::cout << indexKeysLine(countIndexKeys(store->connection())) << '\n';
            }
        } catch (const std::exception& error) {
            fail(ConnectionOrStoreFailure, "snapshot file " + store->path().string(), error.what());
        }
        return int(Success);
    });
}

} // namespace dbc::cli
