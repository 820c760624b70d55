#include "workflow.h"

#include "compare_run.h"
#include "database_error.h"
#include "snapshot_store.h"

namespace dbc {

namespace {
constexpr const char* kClosed = "Operation is not allowed when the object is closed";
} // namespace

Workflow::Workflow(std::string odbcDriver)
    : m_connector([driver = std::move(odbcDriver)](const ConnectionProperties& properties) {
          return connectSqlServer(properties, driver);
      }) {}

Workflow::Workflow(Connector connector) : m_connector(std::move(connector)) {}

Workflow::~Workflow() = default;

Connection& Workflow::connect(const ConnectionProperties& properties, WorkflowObserver& observer) {
    m_connection.reset();
    observer.connecting();
    m_connection = m_connector(properties);
    return *m_connection;
}

Connection& Workflow::current() {
    if (!m_connection)
        throw DatabaseError(kClosed);
    return *m_connection;
}

CaptureSummary Workflow::capture(SnapshotStore& store, WorkflowObserver& observer) {
    return captureSource(current(), store, observer);
}

void Workflow::compare(SnapshotStore& store, const std::string& databaseName,
                       ScriptBuffer& script) {
    runCompare(store.connection(), current(), databaseName, script);
}

ExecutionReport Workflow::execute(ScriptBuffer& script, WorkflowObserver& observer) {
    if (!m_connection && !script.statements().empty())
        throw DatabaseError(kClosed);
    script.clearDisplay();
    if (!m_connection)
        return {};
    const auto& statements = script.statements();
    ExecutionReport report = runStatements(*m_connection, statements, [&](std::size_t number) {
        observer.executingStatement(number, statements.size());
    });
    script.setDisplayText(failureReport(report));
    return report;
}

void Workflow::executeOne(const std::string& text) {
    current().execute(text);
}

} // namespace dbc
