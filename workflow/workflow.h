#pragma once

#include "compare/compare_run.h"
#include "data/connection.h"
#include "data/sql_server_connection.h"
#include "script/data_check.h"
#include "script/executor.h"
#include "script/script_buffer.h"
#include "snapshot/capture.h"
#include "workflow/workflow_observer.h"

#include <functional>
#include <memory>
#include <string>

namespace dbc {

class SnapshotReplacement;
class SnapshotStore;

// What the window's buttons and the command line's subcommands do, as steps
// over one SQL Server connection: capture, compare and "执行一条" each
// connect anew first, "执 行" runs on the connection the last of them left.
// The front ends collect the input and show the results; errors propagate as
// exceptions carrying the server's or the store's message.
class Workflow {
public:
    // How a connection is opened; tests may put their own in.
    using Connector = std::function<std::unique_ptr<Connection>(const ConnectionProperties&)>;

    // Connects through the ODBC driver named `odbcDriver`, waiting for the
    // login and each catalog query as long as `timeouts` allow.
    explicit Workflow(std::string odbcDriver, ConnectionTimeouts timeouts = {});
    explicit Workflow(Connector connector);
    ~Workflow();

    // Closes the current connection and opens one to the database the
    // properties name. A failure leaves no connection.
    Connection& connect(const ConnectionProperties& properties, WorkflowObserver& observer);

    // The time limit of each statement execute and executeOne send, in
    // seconds; 0 (the default) sets none, as statements run for the user may
    // take long.
    void setStatementTimeout(int seconds) noexcept { m_statementTimeoutSeconds = seconds; }

    // The choices every following compare makes (--drop-extra, and the
    // window's choice of it).
    void setCompareOptions(const CompareOptions& options) noexcept { m_compareOptions = options; }

    // "读源数据": reads the connected database's catalog into the new
    // snapshot of `replacement` (made, and so checked, before connecting),
    // records the database and server of the last connect, and puts the
    // snapshot in place of the store file. On any failure the store file
    // stays as it was.
    CaptureSummary capture(SnapshotReplacement& replacement, WorkflowObserver& observer);

    // "比 对": compares the connected database, named `databaseName` in the
    // script's "use" statement, with the snapshot into `script` (see
    // runCompare; the caller empties the statement list before connecting).
    // The snapshot is read in one read transaction, so every table comes from
    // the same state of the file.
    void compare(SnapshotStore& store, const std::string& databaseName, ScriptBuffer& script);

    // "执 行": executes the script's statements on the connection, replacing
    // the display text by the failure report, and returns what came of it
    // (the failures; where a lost connection stopped the run).
    // Without a connection a non-empty list is refused ("Operation is not
    // allowed when the object is closed") and an empty one only clears the
    // display text. AllOrNothing runs the list in one transaction (see
    // runAllOrNothing).
    ExecutionReport execute(ScriptBuffer& script, WorkflowObserver& observer,
                            ExecutionMode mode = ExecutionMode::StatementByStatement);

    // The data check before "执 行": counts on the connection the rows each
    // statement of the script's change list would change, lose or be refused
    // over (checkData); it only reads. Without a connection a script with
    // changes is refused as execute refuses it.
    DataCheckResult checkData(const ScriptBuffer& script);

    // "执行一条": executes `text` whole as one command on the connection.
    void executeOne(const std::string& text);

    // The connection the last connect opened, or nullptr. A connection lost
    // during execute or executeOne stays here: the next step connects anew.
    Connection* connection() noexcept { return m_connection.get(); }

private:
    Connection& current();

    Connector m_connector;
    std::unique_ptr<Connection> m_connection;
    ConnectionProperties m_connectedTo;
    int m_statementTimeoutSeconds = 0;
    CompareOptions m_compareOptions;
};

} // namespace dbc
