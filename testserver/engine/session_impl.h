#pragma once

#include "testserver/engine/catalog_db.h"
#include "testserver/engine/command.h"
#include "testserver/engine/database_directory.h"
#include "testserver/engine/engine.h"
#include "testserver/engine/session_variables.h"

#include <memory>

namespace testserver {

// One client's session: its current database (an open SQLite connection to
// the catalog file, or an empty in-memory catalog standing for master when
// the data directory holds no database), its SET options and transaction
// count. Runs batches statement by statement as SQL Server does.
class SessionImpl : public Session {
public:
    SessionImpl(DatabaseDirectory& directory, const std::optional<DatabaseFile>& database,
                std::string user, int spid);

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
    void run(const RenameObject& statement, StatementOutcome& outcome);
    void run(const Recompile& statement, StatementOutcome& outcome);
    template <typename Ddl> void run(const Ddl& statement, StatementOutcome& outcome);

    void setResult(ResultSet result, StatementOutcome& outcome);
    // Inside a client's transaction, the first change opens the SQLite
    // transaction that COMMIT or ROLLBACK ends; reads never hold it open.
    void beginChange();

    DatabaseDirectory& m_directory;
    std::string m_databaseName;
    std::unique_ptr<CatalogDb> m_db;
    SessionVariables m_variables;
    bool m_writeTransaction = false; // SQLite transaction opened for a client's transaction
    bool m_noCount = false;
    bool m_formatOnly = false;
};

} // namespace testserver
