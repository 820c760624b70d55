#include "testserver/engine/session_impl.h"

#include "testserver/engine/catalog.h"
#include "testserver/engine/catalog_schema.h"
#include "testserver/engine/catalog_views.h"
#include "testserver/engine/command_parser.h"
#include "testserver/engine/consumed_identities.h"
#include "testserver/engine/database_functions.h"
#include "testserver/engine/database_principals.h"
#include "testserver/engine/ddl_executor.h"
#include "testserver/engine/help_text.h"
#include "testserver/engine/lexer.h"
#include "testserver/engine/local_variables.h"
#include "testserver/engine/name_collation.h"
#include "testserver/engine/row_ddl.h"
#include "testserver/engine/schema_resolution.h"
#include "testserver/engine/select_executor.h"
#include "testserver/engine/select_rewriter.h"
#include "testserver/engine/server_error.h"
#include "testserver/engine/server_level_executor.h"
#include "testserver/engine/sql_functions.h"
#include "testserver/engine/token_cursor.h"
#include "testserver/engine/variable_statement_parser.h"

#include <algorithm>
#include <charconv>
#include <type_traits>

namespace testserver {

SessionImpl::SessionImpl(DatabaseDirectory& directory, const std::optional<DatabaseFile>& database,
                         std::string user, int spid, const ServerVersion& version)
    : m_directory(directory), m_server(directory) {
    m_variables.user = std::move(user);
    m_variables.version = &version;
    m_variables.directory = &directory;
    m_variables.spid = spid;
    m_variables.cursorStatus = [this](const std::string& scope, const std::string& name) {
        return m_cursors.status(scope, name);
    };
    m_variables.temporaryObjectId = [this](std::string_view name) {
        return m_temporary.objectId(name);
    };
    if (version.hasCatalogViews())
        m_variables.isUserSchema = [this](std::string_view name) {
            std::optional<long long> id = m_db ? findSchemaId(m_db->handle(), name) : std::nullopt;
            return id && *id >= kFirstUserSchema && *id < kFirstFixedRoleUid;
        };
    open(database);
}

void SessionImpl::open(const std::optional<DatabaseFile>& database) {
    std::unique_ptr<CatalogDb> db;
    std::string name = database ? database->name : std::string("master");
    // Held before the file is opened, so a DROP DATABASE cannot delete it
    // between the look-up and the open.
    DatabaseUse use = m_directory.use(name);
    if (database) {
        if (!m_directory.find(name))
            throw messages::unknownDatabase(name);
        db = std::make_unique<CatalogDb>(database->path, CatalogDb::Mode::OpenExisting);
        ensureLaterTables(*db);
    } else {
        db = std::make_unique<CatalogDb>(std::filesystem::path(), CatalogDb::Mode::CreateNew);
        createCatalog(*db);
    }
    ensurePrincipalTables(*db);
    m_server.reconcile();
    attachServerTables(*db,
                       namesEqual(name, "master") ? std::optional<int>(1) : m_server.dbidOf(name));
    m_databaseName = name;
    m_variables.database = m_databaseName;
    registerSqlFunctions(*db, m_variables);
    registerDatabaseFunctions(*db, m_variables);
    createCatalogViews(*db, *m_variables.version);
    db->setServerYear(m_variables.version->year);
    m_db = std::move(db);
    m_use = std::move(use);
}

void SessionImpl::refreshServerTables(std::string_view sql) {
    const std::string lower = asciiLower(sql);
    if (lower.find("tempdb") != std::string::npos)
        m_temporary.copyInto(*m_db);
    if (!readsServerTables(lower))
        return;
    m_server.reconcile();
    m_server.copyInto(*m_db);
}

std::string SessionImpl::database() const {
    return m_databaseName;
}

namespace {

// Declares every variable of the batch before it runs, as SQL Server does
// when it compiles the batch: a DECLARE in a branch not taken still declares.
// A variable of an alias type takes its base type.
void declareVariables(const Command& command, LocalVariables& variables, Catalog& catalog) {
    if (const auto* declare = std::get_if<Declare>(&command.action)) {
        for (const auto& [name, type] : declare->variables) {
            std::optional<AliasTypeRow> alias;
            if (!findBuiltinType(type.name))
                alias = catalog.findAliasType(type.name);
            variables.declare(name, alias ? aliasBaseType(*alias) : type);
        }
    } else if (const auto* block = std::get_if<Block>(&command.action)) {
        for (const std::shared_ptr<Command>& statement : block->statements)
            declareVariables(*statement, variables, catalog);
    } else if (const auto* branch = std::get_if<IfStatement>(&command.action)) {
        declareVariables(*branch->then, variables, catalog);
        if (branch->otherwise)
            declareVariables(*branch->otherwise, variables, catalog);
    } else if (const auto* loop = std::get_if<WhileLoop>(&command.action)) {
        declareVariables(*loop->body, variables, catalog);
    }
}

// A batch runs WHILE loops this many times at most: a loop that never ends
// must not hang the test server.
constexpr int kMaxLoopIterations = 100000;

// EXEC (string) batches nest this deep, as procedures do in SQL Server.
constexpr int kMaxNesting = 32;

} // namespace

BatchResult SessionImpl::executeBatch(const std::string& sql) {
    BatchResult batch;
    m_variables.locals.clear();
    m_cursors.endBatch({}); // the last batch's LOCAL cursors are gone
    runBatch(sql, batch.statements);
    if (batch.statements.empty())
        batch.statements.emplace_back(); // an empty batch still ends with DONE
    return batch;
}

StatementOutcome SessionImpl::refusal(const ServerError& error) {
    StatementOutcome outcome;
    outcome.messages = error.messages();
    outcome.failed = true;
    m_variables.error = outcome.messages.back().number;
    return outcome;
}

void SessionImpl::runBatch(const std::string& sql, std::vector<StatementOutcome>& outcomes,
                           const std::vector<std::string>& declared) {
    std::vector<Command> commands;
    try {
        commands = parseBatch(sql, declared);
        Catalog catalog(*m_db, m_databaseName);
        for (const Command& command : commands)
            declareVariables(command, m_variables.locals, catalog);
    } catch (const ServerError& error) {
        outcomes.push_back(refusal(error));
        return;
    }
    for (const Command& command : commands) {
        executeInto(command, outcomes);
        if (m_flow == Flow::Return)
            break;
    }
    m_flow = Flow::Next;
}

void SessionImpl::executeInto(const Command& command, std::vector<StatementOutcome>& outcomes) {
    if (const auto* block = std::get_if<Block>(&command.action)) {
        for (const std::shared_ptr<Command>& statement : block->statements) {
            executeInto(*statement, outcomes);
            if (m_flow != Flow::Next)
                return;
        }
        return;
    }
    if (const auto* loop = std::get_if<WhileLoop>(&command.action))
        return runLoop(*loop, command.line, outcomes);
    if (const auto* exec = std::get_if<ExecString>(&command.action))
        return runString(*exec, command.line, outcomes);
    if (const auto* deferred = std::get_if<WithVariables>(&command.action))
        return runWithValues(*deferred, command.line, outcomes);
    if (const auto* branch = std::get_if<IfStatement>(&command.action)) {
        // The condition is a statement of its own for errors; the branch
        // taken runs as the statements it holds.
        bool holds = false;
        StatementOutcome condition = guarded(command.line, [&](StatementOutcome&) {
            refreshServerTables(branch->condition);
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
    StatementOutcome outcome =
        guarded(command.line, [&](StatementOutcome& step) { run(command, step); });
    if (outcome.failed && m_xactAbort)
        abortTransaction();
    return outcome;
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
        for (const ServerMessage& message : error.messages())
            if (message.severity > 10)
                m_variables.error = message.number;
    } catch (const CatalogDbError& error) {
        ServerError translated = translateSqliteError(error);
        outcome.messages = translated.messages();
        outcome.failed = true;
        m_variables.error = translated.messages().back().number;
    }
    return outcome;
}

void SessionImpl::run(const Command& command, StatementOutcome& outcome) {
    std::visit(
        [&](const auto& statement) {
            using Statement = std::decay_t<decltype(statement)>;
            if constexpr (std::is_same_v<Statement, WhileLoop> ||
                          std::is_same_v<Statement, ExecString> ||
                          std::is_same_v<Statement, WithVariables>) {
                // Inside an IF run as one statement: the outcomes of the
                // statements it runs are merged into one.
                std::vector<StatementOutcome> inner;
                executeInto(command, inner);
                for (StatementOutcome& part : inner) {
                    for (ServerMessage& message : part.messages)
                        outcome.messages.push_back(std::move(message));
                    if (part.failed)
                        throw ServerError(outcome.messages, false);
                    if (part.resultSet)
                        outcome.resultSet = std::move(part.resultSet);
                }
            } else {
                run(statement, outcome);
            }
        },
        command.action);
}

void SessionImpl::setResult(ResultSet result, StatementOutcome& outcome) {
    m_variables.rowcount = static_cast<long long>(result.rows.size());
    if (!m_noCount)
        outcome.rowCount = static_cast<long long>(result.rows.size());
    outcome.resultSet = std::move(result);
}

void SessionImpl::run(const Select& statement, StatementOutcome& outcome) {
    refuseTemporaryTableData(statement.sql);
    refreshServerTables(statement.sql);
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
    m_identityInsert.reset(); // it named a table of the database left
    outcome.newDatabase = m_databaseName;
    outcome.messages.push_back(messages::databaseChanged(m_databaseName));
}

void SessionImpl::run(const SetOption& statement, StatementOutcome&) {
    bool on = statement.value == "on";
    if (statement.option == "nocount")
        m_noCount = on;
    else if (statement.option == "xact_abort")
        m_xactAbort = on;
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
    if (resolveObjectId(m_db->handle(), ObjectName{statement.schema, statement.procedure},
                        nameScopeOf(m_db->serverYear()), "P"))
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
            ConsumedIdentities consumed(*m_db);
            m_db->execute("ROLLBACK");
            consumed.keep();
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
    SqlValue value = evaluate(statement.expression);
    outcome.messages.push_back(messages::make(0, 0, value.text.value_or(""), 1));
}

SqlValue SessionImpl::evaluate(const std::string& expression) {
    std::vector<std::vector<SqlValue>> rows =
        selectValues(*m_db, "SELECT " + expression, m_variables);
    if (rows.empty() || rows.front().size() != 1)
        throw messages::syntaxNear(expression);
    return rows.front().front();
}

void SessionImpl::run(const Declare&, StatementOutcome&) {
    // Declared when the batch began.
}

void SessionImpl::run(const SetVariable& statement, StatementOutcome&) {
    m_variables.locals.assign(statement.name, evaluate(statement.expression));
    m_variables.rowcount = 1;
}

void SessionImpl::run(const SelectAssign& statement, StatementOutcome&) {
    refuseTemporaryTableData(statement.sql);
    refreshServerTables(statement.sql);
    std::vector<std::vector<SqlValue>> rows = selectValues(*m_db, statement.sql, m_variables);
    // The last row's values stay; no row leaves the variables as they were.
    if (!rows.empty() && !statement.assignsWhileRunning)
        for (std::size_t i = 0; i < statement.names.size() && i < rows.back().size(); ++i)
            m_variables.locals.assign(statement.names[i], rows.back()[i]);
    m_variables.rowcount = static_cast<long long>(rows.size());
}

void SessionImpl::run(const FlowControl& statement, StatementOutcome&) {
    switch (statement.kind) {
    case FlowControl::Kind::Break:
        m_flow = Flow::Break;
        break;
    case FlowControl::Kind::Continue:
        m_flow = Flow::Continue;
        break;
    case FlowControl::Kind::Return:
        m_flow = Flow::Return;
        break;
    }
}

void SessionImpl::run(const DeclareCursor& statement, StatementOutcome&) {
    // The query keeps the variables' values of this moment.
    m_cursors.declare(statement, withValues(statement.select, m_variables.locals));
}

namespace {

ServerError cursorNotOpen() {
    return ServerError(messages::make(16917, 16, "Cursor is not open."));
}

} // namespace

void SessionImpl::run(const CursorStatement& statement, StatementOutcome&) {
    using Kind = CursorStatement::Kind;
    if (statement.kind == Kind::Deallocate)
        return m_cursors.deallocate(statement.name, statement.global);
    SessionCursor& cursor = m_cursors.find(statement.name, statement.global);
    if (statement.kind == Kind::Close) {
        if (!cursor.open)
            throw cursorNotOpen();
        cursor.open = false;
        cursor.rows = ResultSet();
        return;
    }
    if (cursor.open)
        throw ServerError(messages::make(16905, 16, "The cursor is already open."));
    refreshServerTables(cursor.select);
    refuseTemporaryTableData(cursor.select);
    cursor.rows = runSelect(*m_db, cursor.select, m_variables);
    cursor.open = true;
    cursor.position = -1;
    m_variables.cursorRows = static_cast<long long>(cursor.rows.rows.size());
}

void SessionImpl::run(const FetchCursor& statement, StatementOutcome& outcome) {
    // A FETCH that fails answers -1 too, so that a loop over a cursor whose
    // OPEN failed ends.
    m_variables.fetchStatus = -1;
    SessionCursor& cursor = m_cursors.find(statement.name, statement.global);
    if (!cursor.open)
        throw cursorNotOpen();
    const std::vector<ColumnInfo>& columns = cursor.rows.columns;
    if (!statement.into.empty() && statement.into.size() != columns.size())
        throw ServerError(messages::make(16924, 16,
                                         "Cursorfetch: The number of variables declared in the "
                                         "INTO list must match that of selected columns."));
    long long offset = 0;
    if (!statement.offset.empty()) {
        SqlValue value = evaluate("CONVERT(int, " + statement.offset + ")");
        if (!value.text)
            throw messages::syntaxNear(statement.offset);
        offset = std::stoll(*value.text);
    }
    std::optional<std::size_t> row = moveCursor(cursor, statement.direction, offset);
    m_variables.fetchStatus = row ? 0 : -1;
    if (statement.into.empty()) {
        // Without INTO the row comes back as a result set; past either end
        // the result has no row.
        ResultSet result;
        result.columns = columns;
        if (row)
            result.rows.push_back(cursor.rows.rows[*row]);
        setResult(std::move(result), outcome);
        return;
    }
    if (!row)
        return;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        bool number = columns[i].type != ColumnType::NVarChar;
        m_variables.locals.assign(statement.into[i], SqlValue{cursor.rows.rows[*row][i], number});
    }
}

void SessionImpl::runLoop(const WhileLoop& loop, int line,
                          std::vector<StatementOutcome>& outcomes) {
    for (int iteration = 0;; ++iteration) {
        bool holds = false;
        StatementOutcome condition = guarded(line, [&](StatementOutcome&) {
            if (iteration == kMaxLoopIterations)
                throw messages::notSupported("WHILE loops of more than " +
                                             std::to_string(kMaxLoopIterations) + " iterations");
            holds = evaluateCondition(*m_db, loop.condition, m_variables);
        });
        if (condition.failed || !holds) {
            outcomes.push_back(std::move(condition));
            return;
        }
        executeInto(*loop.body, outcomes);
        if (m_flow == Flow::Break || m_flow == Flow::Continue) {
            bool stop = m_flow == Flow::Break;
            m_flow = Flow::Next;
            if (stop)
                return;
        } else if (m_flow == Flow::Return) {
            return;
        }
    }
}

void SessionImpl::runString(const ExecString& statement, int line,
                            std::vector<StatementOutcome>& outcomes) {
    SqlValue text;
    StatementOutcome evaluation = guarded(line, [&](StatementOutcome&) {
        if (m_nesting == kMaxNesting)
            throw ServerError(messages::make(217, 16,
                                             "Maximum stored procedure, function, trigger, or "
                                             "view nesting level exceeded (limit 32)."));
        text = evaluate(statement.expression);
    });
    if (evaluation.failed || !text.text || text.text->empty()) {
        outcomes.push_back(std::move(evaluation));
        return;
    }
    // The string is a batch of its own, with its own variables and LOCAL
    // cursors.
    LocalVariables outer = std::move(m_variables.locals);
    m_variables.locals = LocalVariables();
    SessionCursors::Scope outerCursors = m_cursors.beginBatch();
    ++m_nesting;
    struct Restore {
        SessionImpl& session;
        LocalVariables& outer;
        SessionCursors::Scope& outerCursors;
        ~Restore() {
            --session.m_nesting;
            session.m_variables.locals = std::move(outer);
            session.m_cursors.endBatch(std::move(outerCursors));
        }
    } restore{*this, outer, outerCursors};
    std::vector<std::string> parameters;
    StatementOutcome binding =
        guarded(line, [&](StatementOutcome&) { parameters = declareParameters(statement); });
    if (binding.failed) {
        outcomes.push_back(std::move(binding));
        return;
    }
    Flow flow = m_flow;
    runBatch(*text.text, outcomes, parameters);
    m_flow = flow;
}

std::vector<std::string> SessionImpl::declareParameters(const ExecString& statement) {
    std::vector<std::string> names;
    if (statement.parameters.empty() && statement.arguments.empty())
        return names;
    std::string declaration = "DECLARE " + statement.parameters;
    std::vector<Token> tokens = tokenize(declaration);
    for (const Token& token : tokens)
        if (token.is("output") || token.is("out"))
            throw messages::notSupported("OUTPUT parameters of sp_executesql");
    TokenCursor cursor(declaration, tokens, 0, tokens.size());
    Command parsed = statement.parameters.empty() ? Command{Declare{}, 1} : parseDeclare(cursor);
    for (const auto& [name, type] : std::get<Declare>(parsed.action).variables) {
        m_variables.locals.declare(name, type);
        names.push_back(name);
    }
    std::size_t position = 0;
    for (const auto& [name, value] : statement.arguments) {
        std::string target = name;
        if (target.empty()) {
            if (position >= names.size())
                throw ServerError(
                    messages::make(8144, 16,
                                   "Procedure or function sp_executesql has too many arguments "
                                   "specified."));
            target = names[position++];
        } else if (!m_variables.locals.declared(target)) {
            throw ServerError(messages::make(
                8145, 16, target + " is not a parameter for procedure sp_executesql."));
        }
        m_variables.locals.assign(target, value);
    }
    return names;
}

void SessionImpl::runWithValues(const WithVariables& statement, int line,
                                std::vector<StatementOutcome>& outcomes) {
    std::string text;
    StatementOutcome substitution = guarded(
        line, [&](StatementOutcome&) { text = withValues(statement.text, m_variables.locals); });
    if (substitution.failed) {
        outcomes.push_back(std::move(substitution));
        return;
    }
    std::size_t first = outcomes.size();
    std::vector<Command> commands;
    try {
        commands = parseBatch(text);
    } catch (const ServerError& error) {
        outcomes.push_back(refusal(error));
    }
    for (Command& command : commands) {
        command.line = line;
        executeInto(command, outcomes);
    }
    for (std::size_t i = first; i < outcomes.size(); ++i)
        for (ServerMessage& message : outcomes[i].messages)
            message.line = line;
    bool failed = outcomes.size() > first && outcomes.back().failed;
    if (statement.returnVariable && !failed)
        m_variables.locals.assign(*statement.returnVariable, SqlValue::numeric("0"));
}

void SessionImpl::run(const IfStatement& statement, StatementOutcome& outcome) {
    refreshServerTables(statement.condition);
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
    for (const std::string& principal : statement.principals)
        if (!findPrincipal(*m_db, principal))
            throw ServerError(
                messages::make(4604, 16, "There is no such user or group '" + principal + "'."));
    Catalog catalog(*m_db, m_databaseName);
    for (const ObjectName& name : statement.objects) {
        std::optional<ObjectRow> object = catalog.findObject(name);
        if (!object)
            throw messages::invalidObjectName(name.name);
        bool table = object->xtype == "U";
        if (statement.statement != "GRANT" && statement.statement != "REVOKE" &&
            statement.statement != "DENY" && !table)
            throw messages::invalidObjectName(name.name);
    }
}

template <typename Statement> void SessionImpl::runAtServerLevel(const Statement& statement) {
    ServerLevelExecutor executor(
        {m_directory, m_server, *m_db, m_databaseName, m_variables.trancount});
    executor.execute(statement);
}

void SessionImpl::run(const CreateDatabase& statement, StatementOutcome&) {
    runAtServerLevel(statement);
}

void SessionImpl::run(const DropDatabase& statement, StatementOutcome&) {
    runAtServerLevel(statement);
}

void SessionImpl::run(const AlterDatabase& statement, StatementOutcome&) {
    beginChange();
    runAtServerLevel(statement);
}

void SessionImpl::run(const DatabaseOption& statement, StatementOutcome&) {
    beginChange();
    runAtServerLevel(statement);
}

void SessionImpl::run(const ServerProcedure& statement, StatementOutcome& outcome) {
    beginChange();
    ServerLevelExecutor executor(
        {m_directory, m_server, *m_db, m_databaseName, m_variables.trancount});
    executor.execute(statement, outcome);
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
    std::optional<ObjectRow> object =
        Catalog(*m_db, m_databaseName).findObject(objectNameOfText(statement.object));
    static const std::vector<std::string> kinds = {"U", "P", "TR", "V", "FN", "IF", "TF"};
    if (!object || std::find(kinds.begin(), kinds.end(), object->xtype) == kinds.end())
        throw messages::objectMissingInDatabase(statement.object, m_databaseName);
    outcome.messages.push_back(messages::make(
        15070, 10, "Object '" + statement.object + "' was successfully marked for recompilation."));
}

template <typename Ddl> void SessionImpl::run(const Ddl& statement, StatementOutcome&) {
    // Temporary tables change the session's own catalog, never the database's.
    Ddl rest = statement;
    bool restRemains = true;
    if (std::optional<Ddl> temporary = takeTemporaryPart(rest, restRemains))
        DdlExecutor(m_temporary.catalog(), "tempdb", m_variables.version->year).execute(*temporary);
    if (!restRemains)
        return;
    beginChange();
    // The statement and what it does to the table's rows are one change.
    CatalogTransaction change(*m_db);
    RowDdl rows(*m_db, m_variables, m_databaseName);
    rows.before(rest);
    DdlExecutor executor(*m_db, m_databaseName, m_variables.version->year);
    executor.execute(rest);
    rows.after(rest);
    change.commit();
}

} // namespace testserver
