// CREATE, ALTER and DROP DATABASE, and database options for any database.

#include "testserver/engine/server_level_executor.h"

#include "testserver/engine/catalog_schema.h"
#include "testserver/engine/database_principals.h"
#include "testserver/engine/database_status_bits.h"
#include "testserver/engine/ddl_executor.h"
#include "testserver/engine/name_collation.h"
#include "testserver/engine/server_error.h"

namespace testserver {

namespace {

bool isSystemDatabase(const std::string& name) {
    for (const char* system : {"master", "tempdb", "model", "msdb"})
        if (namesEqual(name, system))
            return true;
    return false;
}

} // namespace

void ServerLevelExecutor::refuseInTransaction(const std::string& statement) const {
    if (m_context.trancount > 0)
        throw ServerError(messages::make(
            226, 16, statement + " statement not allowed within multi-statement transaction."));
}

void ServerLevelExecutor::requireDatabase(const std::string& name) {
    m_context.server.reconcile();
    if (!m_context.server.dbidOf(name))
        throw ServerError(messages::make(15010, 16,
                                         "The database '" + name +
                                             "' does not exist. Use sp_helpdb to show available "
                                             "databases."));
}

void ServerLevelExecutor::execute(const CreateDatabase& statement) {
    refuseInTransaction("CREATE DATABASE");
    if (isSystemDatabase(statement.name))
        throw messages::databaseExists(statement.name);
    std::vector<DatabaseFileSpec> files = statement.files;
    bool hasData = false;
    bool hasLog = false;
    for (const DatabaseFileSpec& file : files)
        (file.log ? hasLog : hasData) = true;
    std::vector<DatabaseFileSpec> defaults =
        defaultFiles(m_context.directory.path(), statement.name);
    if (!hasData)
        files.insert(files.begin(), defaults.front());
    if (!hasLog)
        files.push_back(defaults.back());
    for (std::size_t i = 0; i < files.size(); ++i)
        for (std::size_t j = 0; j < i; ++j)
            if (namesEqual(files[i].name, files[j].name))
                throw ServerError(messages::make(1828, 16,
                                                 "The file named '" + files[i].name +
                                                     "' is already in use. Choose another name."));
    DatabaseFile created = m_context.directory.create(statement.name, statement.collation);
    try {
        m_context.server.registerDatabase(created.name, files, statement.filegroups,
                                          statement.collation.value_or(""));
    } catch (...) {
        std::error_code ignored;
        std::filesystem::remove(created.path, ignored);
        throw;
    }
}

void ServerLevelExecutor::execute(const DropDatabase& statement) {
    refuseInTransaction("DROP DATABASE");
    for (const std::string& name : statement.names) {
        if (isSystemDatabase(name))
            throw ServerError(messages::make(3708, 16,
                                             "Cannot drop the database '" + name +
                                                 "' because it is a system database."));
        m_context.directory.drop(name);
        m_context.server.forgetDatabase(name);
    }
}

void ServerLevelExecutor::execute(const AlterDatabase& statement) {
    // sysdatabases is changed outside any transaction: nothing could undo it.
    refuseInTransaction("ALTER DATABASE");
    if (!isSystemDatabase(statement.name) && !m_context.directory.find(statement.name))
        throw messages::unknownDatabase(statement.name);
    for (const DatabaseOption& option : statement.options)
        execute(option);
    if (!statement.modifiedFile)
        return;
    m_context.server.reconcile();
    std::optional<int> dbid = m_context.server.dbidOf(statement.name);
    const DatabaseFileSpec& file = *statement.modifiedFile;
    CatalogDb& server = m_context.server.db();
    auto find = server.prepare("SELECT size FROM sysaltfiles WHERE dbid = ? AND name = ?");
    find.bind(1, dbid.value_or(0)).bind(2, file.name);
    if (!find.step())
        throw ServerError(messages::make(
            5041, 16, "MODIFY FILE failed. File '" + file.name + "' does not exist."));
    if (statement.sizeGiven && file.size < find.integer(0))
        throw ServerError(messages::make(
            5039, 16, "MODIFY FILE failed. Specified size is less than current size."));
    CatalogTransaction transaction(server);
    auto update = [&](const std::string& assignment, long long value) {
        server.prepare("UPDATE sysaltfiles SET " + assignment + " WHERE dbid = ? AND name = ?")
            .bind(1, value)
            .bind(2, dbid.value_or(0))
            .bind(3, file.name)
            .run();
    };
    if (statement.sizeGiven)
        update("size = ?", file.size);
    if (statement.maxsizeGiven)
        update("maxsize = ?", file.maxsize);
    if (statement.growthGiven) {
        update("growth = ?", file.growth);
        // Bit 0x100000 of status: the growth is a percentage.
        update("status = (status & ~1048576) | ?", file.growthInPercent ? 0x100000 : 0);
    }
    transaction.commit();
}

void ServerLevelExecutor::execute(const DatabaseOption& statement) {
    if (m_context.trancount > 0)
        throw ServerError(messages::make(
            15002, 16, "The procedure 'sp_dboption' cannot be executed within a transaction."));
    if (isSystemDatabase(statement.database) &&
        !namesEqual(statement.database, m_context.currentName))
        throw messages::notSupported("changing the options of the system database '" +
                                     statement.database + "'");
    if (namesEqual(statement.database, m_context.currentName)) {
        DdlExecutor(m_context.current, m_context.currentName).execute(statement);
    } else {
        std::optional<DatabaseFile> file = m_context.directory.find(statement.database);
        if (!file)
            throw ServerError(messages::make(15010, 16,
                                             "The database '" + statement.database +
                                                 "' does not exist. Use sp_helpdb to show "
                                                 "available databases."));
        CatalogDb other(file->path, CatalogDb::Mode::OpenExisting);
        ensureLaterTables(other);
        DdlExecutor(other, file->name).execute(statement);
    }
    for (const DatabaseStatusBit& bit : kDatabaseStatusBits) {
        if (bit.option.empty() || bit.option != statement.option)
            continue;
        m_context.server.reconcile();
        std::string column = bit.column;
        m_context.server.db()
            .prepare("UPDATE sysdatabases SET " + column + " = CASE WHEN ? THEN " + column +
                     " | ? ELSE " + column + " & ~? END WHERE name = ?")
            .bind(1, statement.on ? 1 : 0)
            .bind(2, bit.bit)
            .bind(3, bit.bit)
            .bind(4, statement.database)
            .run();
    }
}

} // namespace testserver
