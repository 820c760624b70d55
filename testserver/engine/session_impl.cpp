#include "testserver/engine/session_impl.h"

#include "testserver/engine/catalog_schema.h"
#include "testserver/engine/command_parser.h"
#include "testserver/engine/ddl_executor.h"
#include "testserver/engine/help_text.h"
#include "testserver/engine/name_collation.h"
#include "testserver/engine/select_executor.h"
#include "testserver/engine/select_rewriter.h"
#include "testserver/engine/server_error.h"
#include "testserver/engine/sql_functions.h"

#include <charconv>

namespace testserver {

SessionImpl::SessionImpl(DatabaseDirectory& directory, const std::optional<DatabaseFile>& database,
                         std::string user, int spid)
    : m_directory(directory) {
    m_variables.user = std::move(user);
    m_variables.spid = spid;
    open(database);
}

void SessionImpl::open(const std::optional<DatabaseFile>& database) {
    std::unique_ptr<CatalogDb> db;
    if (database) {
        db = std::make_unique<CatalogDb>(database->path, CatalogDb::Mode::OpenExisting);
        ensureLaterTables(*db);
        m_databaseName = database->name;
    } else {
        db = std::make_unique<CatalogDb>(std::filesystem::path(), CatalogDb::Mode::CreateNew);
        createCatalog(*db);
        m_databaseName = "master";
    }
    m_variables.database = m_databaseName;
    registerSqlFunctions(*db, m_variables);
    m_db = std::move(db);
}

std::string SessionImpl::database() const {
    return m_databaseName;
}

BatchResult SessionImpl::executeBatch(const std::string& sql) {
    BatchResult batch;
    std::vector<Command> commands;
    try {
        commands = parseBatch(sql);
    } catch (const ServerError& error) {
        StatementOutcome outcome;
        outcome.messages = error.messages();
        outcome.failed = true;
        m_variables.error = outcome.messages.back().number;
        batch.statements.push_back(std::move(outcome));
        return batch;
    }
    for (const Command& command : commands)
        executeInto(command, batch.statements);
    if (batch.statements.empty())
        batch.statements.emplace_back(); // an empty batch still ends with DONE
    return batch;
}

void SessionImpl::executeInto(const Command& command, std::vector<StatementOutcome>& outcomes) {
    if (const auto* block = std::get_if<Block>(&command.action)) {
        for (const std::shared_ptr<Command>& statement : block->statements)
            executeInto(*statement, outcomes);
        return;
    }
    if (const auto* branch = std::get_if<IfStatement>(&command.action)) {
        // The condition is a statement of its own for errors; the branch
        // taken runs as the statements it holds.
        bool holds = false;
        StatementOutcome condition = guarded(command.line, [&](StatementOutcome&) {
            holds = evaluateCondition(*m_db, branch->condition, m_variables);
        });
        if (condition.failed) {
            outcomes.push_back(std::move(condition));
            return;
        }
        if (holds)
            executeInto(*branch->then, outcomes);
        else if (branch->otherwise)
            executeInto(*branch->otherwise, outcomes);
        else
            outcomes.push_back(std::move(condition));
        return;
    }
    outcomes.push_back(execute(command));
}

StatementOutcome SessionImpl::execute(const Command& command) {
    return guarded(command.line, [&](StatementOutcome& outcome) { run(command, outcome); });
}

template <typename Step> StatementOutcome SessionImpl::guarded(int line, Step step) {
    StatementOutcome outcome;
    try {
        step(outcome);
        m_variables.error = 0;
    } catch (const ServerError& error) {
        for (ServerMessage message : error.messages()) {
            message.line = line;
            outcome.messages.push_back(std::move(message));
        }
        outcome.failed = true;
        outcome.resultSet.reset();
        outcome.rowCount.reset();
        m_variables.error = error.messages().back().number;
    } catch (const CatalogDbError& error) {
        ServerError translated = translateSqliteError(error);
        outcome.messages = translated.messages();
        outcome.failed = true;
        m_variables.error = translated.messages().back().number;
    }
    return outcome;
}

void SessionImpl::run(const Command& command, StatementOutcome& outcome) {
    std::visit([&](const auto& statement) { run(statement, outcome); }, command.action);
}

void SessionImpl::setResult(ResultSet result, StatementOutcome& outcome) {
    m_variables.rowcount = static_cast<long long>(result.rows.size());
    if (!m_noCount)
        outcome.rowCount = static_cast<long long>(result.rows.size());
    outcome.resultSet = std::move(result);
}

void SessionImpl::run(const Select& statement, StatementOutcome& outcome) {
    setResult(runSelect(*m_db, statement.sql, m_variables, m_formatOnly), outcome);
}

void SessionImpl::run(const Use& statement, StatementOutcome& outcome) {
    std::optional<DatabaseFile> file = m_directory.find(statement.database);
    // Every SQL Server has master; without a catalog file of that name it is
    // an empty catalog of the session's own, as at a login to an empty
    // data directory.
    if (!file && !namesEqual(statement.database, "master"))
        throw messages::unknownDatabase(statement.database);
    if (m_writeTransaction)
        throw messages::notSupported("changing the database inside a transaction that changed "
                                     "the catalog");
    open(file);
    outcome.newDatabase = m_databaseName;
    outcome.messages.push_back(messages::databaseChanged(m_databaseName));
}

void SessionImpl::run(const SetOption& statement, StatementOutcome&) {
    bool on = statement.value == "on";
    if (statement.option == "nocount")
        m_noCount = on;
    else if (statement.option == "fmtonly")
        m_formatOnly = on;
    else if (statement.option == "textsize") {
        long long size = 0;
        std::from_chars(statement.value.data(), statement.value.data() + statement.value.size(),
                        size);
        m_variables.textsize = size > 0 ? size : 4096;
    } else if (statement.option == "parseonly" || statement.option == "noexec") {
        if (on)
            throw messages::notSupported("SET " + statement.option + " ON");
    }
}

void SessionImpl::run(const HelpText& statement, StatementOutcome& outcome) {
    setResult(helpText(*m_db, statement.object, m_databaseName), outcome);
}

void SessionImpl::run(const ExecProcedure& statement, StatementOutcome&) {
    if (asciiLower(statement.procedure).rfind("sp_", 0) == 0)
        throw messages::notSupported("the system procedure " + statement.procedure);
    auto find = m_db->prepare("SELECT 1 FROM sysobjects WHERE name = ? AND xtype = 'P'");
    find.bind(1, statement.procedure);
    if (find.step())
        throw messages::notSupported("running stored procedures");
    throw messages::unknownProcedure(statement.procedure);
}

void SessionImpl::run(const TransactionControl& statement, StatementOutcome&) {
    using Kind = TransactionControl::Kind;
    switch (statement.kind) {
    case Kind::Begin:
        ++m_variables.trancount;
        break;
    case Kind::Commit:
        if (m_variables.trancount == 0)
            throw messages::commitWithoutBegin();
        if (--m_variables.trancount == 0 && m_writeTransaction) {
            m_db->execute("COMMIT");
            m_writeTransaction = false;
        }
        break;
    case Kind::Rollback:
        if (m_variables.trancount == 0)
            throw messages::rollbackWithoutBegin();
        m_variables.trancount = 0;
        if (m_writeTransaction) {
            m_db->execute("ROLLBACK");
            m_writeTransaction = false;
        }
        break;
    }
}

void SessionImpl::beginChange() {
    if (m_variables.trancount > 0 && !m_writeTransaction) {
        m_db->execute("BEGIN IMMEDIATE");
        m_writeTransaction = true;
    }
}

void SessionImpl::run(const Print& statement, StatementOutcome& outcome) {
    outcome.messages.push_back(messages::make(0, 0, statement.text, 1));
}

void SessionImpl::run(const IfStatement& statement, StatementOutcome& outcome) {
    if (evaluateCondition(*m_db, statement.condition, m_variables))
        run(*statement.then, outcome);
    else if (statement.otherwise)
        run(*statement.otherwise, outcome);
}

void SessionImpl::run(const Block& block, StatementOutcome& outcome) {
    for (const std::shared_ptr<Command>& statement : block.statements)
        run(*statement, outcome);
}

void SessionImpl::run(const RaiseError& statement, StatementOutcome& outcome) {
    ServerMessage message =
        messages::make(50000, statement.severity, statement.text, statement.state);
    if (statement.severity > 10)
        throw ServerError(message);
    outcome.messages.push_back(std::move(message));
}

void SessionImpl::run(const NoCatalogChange& statement, StatementOutcome&) {
    for (const std::string& name : statement.objects) {
        auto find = m_db->prepare("SELECT xtype FROM sysobjects WHERE name = ?");
        find.bind(1, name);
        if (!find.step())
            throw messages::invalidObjectName(name);
        bool table = namesEqual(find.text(0), "U");
        if (statement.statement != "GRANT" && statement.statement != "REVOKE" &&
            statement.statement != "DENY" && !table)
            throw messages::invalidObjectName(name);
    }
}

void SessionImpl::run(const CreateDatabase& statement, StatementOutcome&) {
    m_directory.create(statement.name, statement.collation);
}

void SessionImpl::run(const RenameObject& statement, StatementOutcome& outcome) {
    beginChange();
    DdlExecutor(*m_db, m_databaseName).execute(statement);
    outcome.messages.push_back(messages::make(
        15477, 10,
        "Caution: Changing any part of an object name could break scripts and stored "
        "procedures."));
}

void SessionImpl::run(const Recompile& statement, StatementOutcome& outcome) {
    auto find = m_db->prepare("SELECT name FROM sysobjects WHERE name = ? AND xtype IN ('U', "
                              "'P', 'TR', 'V', 'FN', 'IF', 'TF')");
    find.bind(1, objectPartOfName(statement.object));
    if (!find.step())
        throw messages::objectMissingInDatabase(statement.object, m_databaseName);
    outcome.messages.push_back(messages::make(
        15070, 10, "Object '" + statement.object + "' was successfully marked for recompilation."));
}

template <typename Ddl> void SessionImpl::run(const Ddl& statement, StatementOutcome&) {
    beginChange();
    DdlExecutor executor(*m_db, m_databaseName);
    executor.execute(statement);
}

} // namespace testserver
