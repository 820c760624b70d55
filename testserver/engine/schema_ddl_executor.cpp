// CREATE SCHEMA and DROP SCHEMA (SQL Server 2005 and later).

#include "testserver/engine/database_principals.h"
#include "testserver/engine/ddl_executor.h"
#include "testserver/engine/server_error.h"

namespace testserver {

namespace {

// Before 2005 the statements are refused where the parser of those releases
// stops: at the keyword SCHEMA.
void refuseBefore2005(int serverYear, const std::string& keyword) {
    if (serverYear < 2005)
        throw messages::syntaxNearKeyword(keyword);
}

} // namespace

void DdlExecutor::execute(const CreateSchema& statement) {
    refuseBefore2005(m_serverYear, statement.keyword);
    CatalogTransaction transaction(m_catalog.db());
    if (findSchemaId(m_catalog.db().handle(), statement.name))
        throw messages::objectExists(statement.name);
    long long principal = 1;
    if (statement.owner) {
        std::optional<PrincipalRow> owner = findPrincipal(m_catalog.db(), *statement.owner);
        if (!owner)
            throw ServerError(messages::make(15151, 16,
                                             "Cannot find the user '" + *statement.owner +
                                                 "', because it does not exist or you do not "
                                                 "have permission."));
        principal = owner->uid;
    }
    // The next number after the highest in use, from 5 on.
    std::optional<long long> highest =
        m_catalog.db().queryInteger("SELECT max(schema_id) FROM testserver_schemas");
    long long id = std::max(highest.value_or(0) + 1, kFirstUserSchema);
    auto insert = m_catalog.db().prepare(
        "INSERT INTO testserver_schemas (schema_id, name, principal_id) VALUES (?, ?, ?)");
    insert.bind(1, id).bind(2, statement.name).bind(3, principal).run();
    transaction.commit();
}

void DdlExecutor::execute(const DropSchema& statement) {
    refuseBefore2005(m_serverYear, statement.keyword);
    // DROP ... IF EXISTS came with SQL Server 2016.
    if (statement.ifExists && m_serverYear < 2016)
        throw messages::syntaxNearKeyword(*statement.ifExists);
    CatalogTransaction transaction(m_catalog.db());
    std::optional<long long> id = findSchemaId(m_catalog.db().handle(), statement.name);
    if (!id && statement.ifExists)
        return;
    if (!id || *id < kFirstUserSchema || *id >= kFirstFixedRoleUid)
        throw ServerError(messages::make(15151, 16,
                                         "Cannot drop the schema '" + statement.name +
                                             "', because it does not exist or you do not have "
                                             "permission."));
    auto object = m_catalog.db().prepare(
        "SELECT name FROM sysobjects WHERE uid = ? ORDER BY parent_obj <> 0, id LIMIT 1");
    object.bind(1, *id);
    if (object.step())
        throw ServerError(messages::make(3729, 16,
                                         "Cannot drop schema '" + statement.name +
                                             "' because it is being referenced by object '" +
                                             object.text(0) + "'."));
    auto remove = m_catalog.db().prepare("DELETE FROM testserver_schemas WHERE schema_id = ?");
    remove.bind(1, *id).run();
    transaction.commit();
}

} // namespace testserver
