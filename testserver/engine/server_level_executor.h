#pragma once

#include "testserver/engine/catalog_db.h"
#include "testserver/engine/command.h"
#include "testserver/engine/database_directory.h"
#include "testserver/engine/engine.h"
#include "testserver/engine/server_catalog.h"

#include <optional>
#include <string>
#include <vector>

namespace testserver {

// Carries out the statements that act on the server rather than on one
// database's objects: CREATE/ALTER/DROP DATABASE, database options for any
// database, and the system procedures on logins, users and roles. Server
// rows (sysdatabases, sysaltfiles, syslogins) change in the server catalog;
// users and roles in the current database's sysusers and sysmembers.
class ServerLevelExecutor {
public:
    struct Context {
        DatabaseDirectory& directory;
        ServerCatalog& server;
        CatalogDb& current;
        std::string currentName;
        int trancount = 0;
    };
    explicit ServerLevelExecutor(Context context) : m_context(std::move(context)) {}

    void execute(const CreateDatabase& statement);
    void execute(const DropDatabase& statement);
    void execute(const AlterDatabase& statement);
    void execute(const DatabaseOption& statement);
    // Informational messages go to `outcome`; sp_change_users_login 'Report'
    // returns its rows there.
    void execute(const ServerProcedure& statement, StatementOutcome& outcome);

private:
    // Refuses a statement SQL Server does not allow inside a user
    // transaction; server rows here are outside any transaction.
    void refuseInTransaction(const std::string& statement) const;
    void requireDatabase(const std::string& name);
    // The procedure's arguments in parameter order; nothing for NULL or omitted.
    std::vector<std::optional<std::string>>
    bindArguments(const ServerProcedure& statement,
                  const std::vector<std::string_view>& parameters) const;

    void addLogin(const std::vector<std::optional<std::string>>& arguments);
    void dropLogin(const std::string& login);
    void grantWindowsLogin(const std::string& login, bool deny);
    void grantDatabaseAccess(const std::string& login, const std::string& user);
    void dropUser(const std::string& user);
    bool ownsObjects(int uid);
    // A user or role with its memberships.
    void removePrincipal(int uid);
    void addRole(const std::string& role);
    void dropRole(const std::string& role);
    void addRoleMember(const std::string& role, const std::string& member, bool drop);
    void changeDatabaseOwner(const std::string& login);
    void changeUsersLogin(const std::vector<std::optional<std::string>>& arguments,
                          StatementOutcome& outcome);
    void setServerRole(const std::string& login, const std::string& role, bool member);
    void compatibilityLevel(const std::vector<std::optional<std::string>>& arguments,
                            StatementOutcome& outcome);
    std::optional<std::string> loginSid(const std::string& login);

    // An informational message of the procedure running now.
    void inform(std::string text);

    Context m_context;
    StatementOutcome* m_outcome = nullptr;
};

} // namespace testserver
