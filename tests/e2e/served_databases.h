#pragma once

// What every end-to-end test needs: databases built from T-SQL scripts in a
// fresh data directory, the test server serving them on 127.0.0.1, and the
// program's own client stack (unixODBC + FreeTDS, the snapshot store, the
// compare run and the executor) on top.

#include "compare/compare_run.h"
#include "data/connection.h"
#include "script/script_buffer.h"
#include "snapshot/snapshot_store.h"
#include "tests/support/result_lines.h"
#include "tests/support/test_server_process.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace dbc::e2e {

// A scratch data directory with its databases and, once started, the test
// server over it. Everything is removed when the object dies.
class ServedDatabases {
public:
    // `version`: the SQL Server release the test server answers as
    // ("2019"); empty for its default, SQL Server 2000.
    explicit ServedDatabases(std::string version = {}) : m_version(std::move(version)) {}

    // Builds database `name` from T-SQL text (batches separated by GO lines).
    void load(const std::string& name, const std::string& script);
    // Builds database `name` from a script file.
    void loadFile(const std::string& name, const std::filesystem::path& script);

    // Starts the server over every database loaded so far.
    void start();

    // A new connection to `database`, as the connection boxes would give it.
    std::unique_ptr<Connection> connect(const std::string& database) const;

    // Captures `database` into a new snapshot store file `storeName` of the
    // scratch directory, as "读源数据" does (the server's release read
    // first); returns the open store.
    std::unique_ptr<SnapshotStore> capture(const std::string& database,
                                           const std::string& storeName);

private:
    std::filesystem::path dataDir() const { return m_dir.path() / "data"; }

    std::string m_version;
    test::TempDir m_dir;
    std::unique_ptr<test::TestServerProcess> m_server;
    int m_scripts = 0;
};

// One "比 对" press: the statement list cleared, the target connected anew,
// its release read, then the compare run. The connection stays open for a following "执 行".
struct CompareOutcome {
    std::unique_ptr<Connection> target;
    ScriptBuffer script;
};
CompareOutcome compareWith(const ServedDatabases& served, SnapshotStore& store,
                           const std::string& database, const CompareOptions& options = {});

using test::rowsOf;

// The stored text of one object: its rows of `table` joined in stored order,
// as a compare re-creates it.
std::string storedText(SnapshotStore& store, const std::string& table, const std::string& nameField,
                       const std::string& textField, const std::string& name);

// How many display lines are the separator "Go".
std::size_t separatorCount(const ScriptBuffer& script);

// The display lines with the separator lines left out.
std::vector<std::string> displayWithoutSeparators(const ScriptBuffer& script);

// The display lines the statements make, in order, one statement's text split
// at its line ends (the display text minus its separators must equal this).
std::vector<std::string> linesOfStatements(const std::vector<std::string>& statements);

} // namespace dbc::e2e
