#include "tests/e2e/served_databases.h"

#include "catalog/server_version.h"
#include "compare/compare_run.h"
#include "data/sql_server_connection.h"
#include "snapshot/capture.h"
#include "snapshot/snapshot_info.h"

#include <fstream>
#include <stdexcept>

namespace dbc::e2e {

namespace fs = std::filesystem;

namespace {

// A capture's progress goes nowhere in these tests.
class SilentObserver : public CaptureObserver {
public:
    void stepStarted(CaptureStep, int, int) override {}
    void advanced() override {}
};

// `text` as an SQLite string literal.
std::string storeLiteral(const std::string& text) {
    std::string literal = "'";
    for (char c : text) {
        literal.push_back(c);
        if (c == '\'')
            literal.push_back('\'');
    }
    return literal + "'";
}

} // namespace

void ServedDatabases::load(const std::string& name, const std::string& script) {
    const fs::path file = m_dir.path() / ("script" + std::to_string(++m_scripts) + ".sql");
    {
        std::ofstream out(file, std::ios::binary);
        out << script;
        if (!out)
            throw std::runtime_error("cannot write " + file.string());
    }
    loadFile(name, file);
}

void ServedDatabases::loadFile(const std::string& name, const fs::path& script) {
    if (!fs::exists(script))
        throw std::runtime_error("the script " + script.string() + " does not exist");
    fs::create_directories(dataDir());
    test::loadCatalog(dataDir(), name, script, m_version);
}

void ServedDatabases::start() {
    std::vector<std::string> arguments;
    if (!m_version.empty())
        arguments = {"--version", m_version};
    m_server = std::make_unique<test::TestServerProcess>(dataDir(), arguments);
}

std::unique_ptr<Connection> ServedDatabases::connect(const std::string& database) const {
    if (!m_server)
        throw std::logic_error("the test server has not been started");
    return connectSqlServer({m_server->serverName(), database, "sa", ""}, defaultOdbcDriver);
}

std::unique_ptr<SnapshotStore> ServedDatabases::capture(const std::string& database,
                                                        const std::string& storeName) {
    auto store = SnapshotStore::open(m_dir.path() / storeName);
    auto source = connect(database);
    SilentObserver observer;
    const ServerVersion version = readServerVersion(*source);
    captureSource(*source, *store, observer, version);
    // Where it came from, as a capture through the window records it.
    store->connection().execute(createSnapshotInfoSql());
    writeSnapshotInfo(store->connection(),
                      {database, m_server->serverName(), utcNow(), version.productVersion});
    return store;
}

CompareOutcome compareWith(const ServedDatabases& served, SnapshotStore& store,
                           const std::string& database, const CompareOptions& options) {
    CompareOutcome outcome;
    outcome.script.clearStatements();
    outcome.target = served.connect(database);
    runCompare(store.connection(), *outcome.target, database, outcome.script,
               readServerVersion(*outcome.target),
               serverVersionOf(readCaptureState(store.connection()).info.serverVersion), options);
    return outcome;
}

std::string storedText(SnapshotStore& store, const std::string& table, const std::string& nameField,
                       const std::string& textField, const std::string& name) {
    const Result rows =
        store.connection().open("Select " + textField + " From " + table + " where " + nameField +
                                " = " + storeLiteral(name) + " Order by rowid");
    if (rows.empty())
        throw std::runtime_error("the snapshot has no text of " + name + " in " + table);
    std::string text;
    for (const auto& row : rows.rows())
        text += row.at(0);
    return text;
}

std::size_t separatorCount(const ScriptBuffer& script) {
    std::size_t count = 0;
    for (const auto& line : script.displayLines())
        count += line == ScriptBuffer::separator ? 1 : 0;
    return count;
}

std::vector<std::string> displayWithoutSeparators(const ScriptBuffer& script) {
    std::vector<std::string> lines;
    for (const auto& line : script.displayLines()) {
        if (line != ScriptBuffer::separator)
            lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> linesOfStatements(const std::vector<std::string>& statements) {
    std::vector<std::string> lines;
    for (const auto& statement : statements) {
        for (auto& line : splitLines(statement))
            lines.push_back(std::move(line));
    }
    return lines;
}

} // namespace dbc::e2e
