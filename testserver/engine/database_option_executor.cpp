// sp_dboption: the database options SQL Server keeps in sysdatabases.status,
// kept here in testserver_settings ("dboption:NAME" = "true" | "false").

#include "testserver/engine/ddl_executor.h"

#include "testserver/engine/name_collation.h"
#include "testserver/engine/server_error.h"

namespace testserver {

void DdlExecutor::execute(const DatabaseOption& statement) {
    if (!namesEqual(statement.database, m_catalog.databaseName()))
        throw messages::notSupported("sp_dboption for a database other than the current one");
    // Options that would change who may use the database or whether it can
    // be written are not modelled.
    for (std::string_view refused : {"dbo use only", "offline", "read only", "single user"})
        if (statement.on && statement.option == refused)
            throw messages::notSupported("the database option '" + statement.option + "'");
    CatalogTransaction transaction(m_catalog.db());
    auto store = m_catalog.db().prepare(
        "INSERT OR REPLACE INTO testserver_settings (name, value) VALUES (?, ?)");
    store.bind(1, "dboption:" + statement.option).bind(2, statement.on ? "true" : "false").run();
    transaction.commit();
}

} // namespace testserver
