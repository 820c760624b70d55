#include "workflow/workflow.h"

#include "catalog/server_version.h"
#include "compare/compare_run.h"
#include "data/database_error.h"
#include "snapshot/snapshot_info.h"
#include "snapshot/snapshot_replacement.h"
#include "snapshot/snapshot_store.h"

namespace dbc {

namespace {
constexpr const char* kClosed = "Operation is not allowed when the object is closed";
} // namespace

Workflow::Workflow(std::string odbcDriver, ConnectionTimeouts timeouts)
    : m_connector(
          [driver = std::move(odbcDriver), timeouts](const ConnectionProperties& properties) {
              return connectSqlServer(properties, driver, timeouts);
          }) {}

Workflow::Workflow(Connector connector) : m_connector(std::move(connector)) {}

Workflow::~Workflow() = default;

Connection& Workflow::connect(const ConnectionProperties& properties, WorkflowObserver& observer) {
    m_connection.reset();
    observer.connecting();
    m_connection = m_connector(properties);
    m_connectedTo = properties;
    m_connectedTo.password.clear();
    return *m_connection;
}

Connection& Workflow::current() {
    if (!m_connection)
        throw DatabaseError(kClosed);
    return *m_connection;
}

CaptureSummary Workflow::capture(SnapshotReplacement& replacement, WorkflowObserver& observer) {
    // The server's release decides how its catalog is read; asked once.
    const ServerVersion version = readServerVersion(current());
    CaptureSummary summary = captureSource(current(), replacement.store(), observer, version);
    replacement.commit(
        {m_connectedTo.database, m_connectedTo.server, utcNow(), version.productVersion});
    return summary;
}

void Workflow::compare(SnapshotStore& store, const std::string& databaseName,
                       ScriptBuffer& script) {
    Connection& target = current();
    SnapshotStore::Transaction readOnce(store);
    // Each side's release: the target's asked once, the snapshot's as recorded.
    const ServerVersion version = readServerVersion(target);
    const ServerVersion source =
        serverVersionOf(readCaptureState(store.connection()).info.serverVersion);
    runCompare(store.connection(), target, databaseName, script, version, source, m_compareOptions);
}

ExecutionReport Workflow::execute(ScriptBuffer& script, WorkflowObserver& observer,
                                  ExecutionMode mode) {
    if (!m_connection && !script.statements().empty())
        throw DatabaseError(kClosed);
    script.clearDisplay();
    if (!m_connection)
        return {};
    m_connection->setQueryTimeout(m_statementTimeoutSeconds);
    const auto& statements = script.statements();
    auto before = [&](std::size_t number) {
        observer.executingStatement(number, statements.size());
    };
    auto stopRequested = [&] { return observer.stopRequested(); };
    ExecutionReport report = mode == ExecutionMode::AllOrNothing
                                 ? runAllOrNothing(*m_connection, statements, before, stopRequested)
                                 : runStatements(*m_connection, statements, before, stopRequested);
    script.setDisplayText(failureReport(report));
    return report;
}

DataCheckResult Workflow::checkData(const ScriptBuffer& script) {
    if (!m_connection && script.statements().empty())
        return {};
    Connection& target = current();
    target.setQueryTimeout(m_statementTimeoutSeconds);
    return dbc::checkData(target, script.changes());
}

void Workflow::executeOne(const std::string& text) {
    Connection& target = current();
    target.setQueryTimeout(m_statementTimeoutSeconds);
    target.execute(text);
}

} // namespace dbc
