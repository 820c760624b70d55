#pragma once

#include "testserver/engine/catalog_db.h"
#include "testserver/engine/command.h"
#include "testserver/engine/database_directory.h"
#include "testserver/engine/engine.h"
#include "testserver/engine/server_catalog.h"
#include "testserver/engine/session_cursors.h"
#include "testserver/engine/session_variables.h"
#include "testserver/engine/temporary_tables.h"

#include <memory>

namespace testserver {

// One client's session: its current database (an open SQLite connection to
// the catalog file, or an empty in-memory catalog standing for master when
// the data directory holds no database), its SET options and transaction
// count. Runs batches statement by statement as SQL Server does.
class SessionImpl : public Session {
public:
    SessionImpl(DatabaseDirectory& directory, const std::optional<DatabaseFile>& database,
                std::string user, int spid, const ServerVersion& version = defaultServerVersion());

    std::string database() const override;
    BatchResult executeBatch(const std::string& sql) override;

private:
    void open(const std::optional<DatabaseFile>& database);
    // Runs a statement; a block or an IF adds the outcomes of the statements it runs.
    void executeInto(const Command& command, std::vector<StatementOutcome>& outcomes);
    StatementOutcome execute(const Command& command);
    // Runs one step of a statement, turning a refusal into its outcome.
    template <typename Step> StatementOutcome guarded(int line, Step step);
    void run(const Command& command, StatementOutcome& outcome);

    void run(const Select& statement, StatementOutcome& outcome);
    void run(const Use& statement, StatementOutcome& outcome);
    void run(const SetOption& statement, StatementOutcome& outcome);
    void run(const HelpText& statement, StatementOutcome& outcome);
    void run(const ExecProcedure& statement, StatementOutcome& outcome);
    void run(const TransactionControl& statement, StatementOutcome& outcome);
    void run(const Print& statement, StatementOutcome& outcome);
    void run(const IfStatement& statement, StatementOutcome& outcome);
    void run(const Block& block, StatementOutcome& outcome);
    void run(const RaiseError& statement, StatementOutcome& outcome);
    void run(const NoCatalogChange& statement, StatementOutcome& outcome);
    void run(const CreateDatabase& statement, StatementOutcome& outcome);
    void run(const Declare& statement, StatementOutcome& outcome);
    void run(const SetVariable& statement, StatementOutcome& outcome);
    void run(const SelectAssign& statement, StatementOutcome& outcome);
    void run(const FlowControl& statement, StatementOutcome& outcome);
    void run(const DeclareCursor& statement, StatementOutcome& outcome);
    void run(const CursorStatement& statement, StatementOutcome& outcome);
    void run(const FetchCursor& statement, StatementOutcome& outcome);
    // Statements that run other statements, each with its own outcome.
    void runLoop(const WhileLoop& loop, int line, std::vector<StatementOutcome>& outcomes);
    void runString(const ExecString& statement, int line, std::vector<StatementOutcome>& outcomes);
    void runWithValues(const WithVariables& statement, int line,
                       std::vector<StatementOutcome>& outcomes);
    // Runs a batch's text; `outcomes` gets a statement's outcome each.
    // `declared` are the variables declared before it begins.
    void runBatch(const std::string& sql, std::vector<StatementOutcome>& outcomes,
                  const std::vector<std::string>& declared = {});
    // Declares sp_executesql's parameters in the running batch and gives them
    // their values; the parameters' names.
    std::vector<std::string> declareParameters(const ExecString& statement);
    // The outcome of a batch that the parser refused; @@ERROR takes its number.
    StatementOutcome refusal(const ServerError& error);
    // The value of one expression, as SELECT gives it.
    SqlValue evaluate(const std::string& expression);
    void run(const DropDatabase& statement, StatementOutcome& outcome);
    void run(const AlterDatabase& statement, StatementOutcome& outcome);
    void run(const DatabaseOption& statement, StatementOutcome& outcome);
    void run(const ServerProcedure& statement, StatementOutcome& outcome);
    void run(const RenameObject& statement, StatementOutcome& outcome);
    void run(const Recompile& statement, StatementOutcome& outcome);
    template <typename Ddl> void run(const Ddl& statement, StatementOutcome& outcome);
    // Statements on rows (session_rows.cpp).
    void run(const InsertRows& statement, StatementOutcome& outcome);
    void run(const UpdateRows& statement, StatementOutcome& outcome);
    void run(const DeleteRows& statement, StatementOutcome& outcome);
    void run(const SetIdentityInsert& statement, StatementOutcome& outcome);
    void countRows(long long rows, StatementOutcome& outcome);
    // With SET XACT_ABORT ON a refused statement rolls the client's
    // transaction back and ends the batch.
    void abortTransaction();

    void setResult(ResultSet result, StatementOutcome& outcome);
    // Inside a client's transaction, the first change opens the SQLite
    // transaction that COMMIT or ROLLBACK ends; reads never hold it open.
    void beginChange();
    // Before a read of master's server tables: the session's copy brought up
    // to date.
    void refreshServerTables(std::string_view sql);
    template <typename Statement> void runAtServerLevel(const Statement& statement);

    DatabaseDirectory& m_directory;
    ServerCatalog m_server;
    std::string m_databaseName;
    std::unique_ptr<CatalogDb> m_db;
    DatabaseUse m_use; // the current database cannot be dropped
    SessionVariables m_variables;
    SessionCursors m_cursors;
    TemporaryTables m_temporary;
    bool m_writeTransaction = false; // SQLite transaction opened for a client's transaction
    bool m_noCount = false;
    bool m_xactAbort = false;
    std::optional<long long> m_identityInsert; // SET IDENTITY_INSERT ... ON
    bool m_formatOnly = false;
    // Where BREAK, CONTINUE or RETURN sent the running batch.
    enum class Flow { Next, Break, Continue, Return } m_flow = Flow::Next;
    int m_nesting = 0; // EXEC (string) batches running inside others
};

} // namespace testserver
