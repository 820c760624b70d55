// The system procedures on database users and roles (sysusers, sysmembers),
// with SQL Server 2000's refusals, and the dispatch of every server-level
// procedure by its parameters.

#include "testserver/engine/server_level_executor.h"

#include "testserver/engine/command_parser.h"
#include "testserver/engine/database_principals.h"
#include "testserver/engine/name_collation.h"
#include "testserver/engine/procedure_support.h"
#include "testserver/engine/server_error.h"

#include <map>

namespace testserver {

using namespace procedure;

namespace {

ServerError principalExists(const std::string& name) {
    return refusal(15023, "User or role '" + name + "' already exists in the current database.");
}

ServerError roleMissing(const std::string& role) {
    return refusal(15014, "The role '" + role + "' does not exist in the current database.");
}

// The parameters of each procedure, in order, without '@'.
const std::map<std::string, std::vector<std::string_view>, std::less<>>& parameterLists() {
    static const std::map<std::string, std::vector<std::string_view>, std::less<>> lists{
        {"sp_addlogin", {"loginame", "passwd", "defdb", "deflanguage", "sid", "encryptopt"}},
        {"sp_droplogin", {"loginame"}},
        {"sp_defaultdb", {"loginame", "defdb"}},
        {"sp_defaultlanguage", {"loginame", "language"}},
        {"sp_grantlogin", {"loginame"}},
        {"sp_denylogin", {"loginame"}},
        {"sp_revokelogin", {"loginame"}},
        {"sp_grantdbaccess", {"loginame", "name_in_db"}},
        {"sp_revokedbaccess", {"name_in_db"}},
        {"sp_adduser", {"loginame", "name_in_db", "grpname"}},
        {"sp_dropuser", {"name_in_db"}},
        {"sp_addrole", {"rolename", "ownername"}},
        {"sp_droprole", {"rolename"}},
        {"sp_addgroup", {"grpname"}},
        {"sp_dropgroup", {"rolename"}},
        {"sp_addrolemember", {"rolename", "membername"}},
        {"sp_droprolemember", {"rolename", "membername"}},
        {"sp_changedbowner", {"loginame", "map"}},
        {"sp_change_users_login", {"action", "usernamepattern", "loginname", "password"}},
        {"sp_dbcmptlevel", {"dbname", "new_cmptlevel"}},
        {"sp_addsrvrolemember", {"loginame", "rolename"}},
        {"sp_dropsrvrolemember", {"loginame", "rolename"}},
        {"sp_password", {"old", "new", "loginame"}},
        {"sp_validname", {"name", "raiseerror"}},
    };
    return lists;
}

} // namespace

bool isServerProcedure(std::string_view procedure) {
    return parameterLists().count(asciiLower(procedure)) > 0;
}

void ServerLevelExecutor::inform(std::string text) {
    if (m_outcome)
        m_outcome->messages.push_back(messages::make(0, 0, std::move(text), 1));
}

Arguments
ServerLevelExecutor::bindArguments(const ServerProcedure& statement,
                                   const std::vector<std::string_view>& parameters) const {
    Arguments bound(parameters.size());
    std::size_t position = 0;
    for (const ProcedureArgument& argument : statement.arguments) {
        std::size_t index = position;
        if (argument.name) {
            index = parameters.size();
            for (std::size_t i = 0; i < parameters.size(); ++i)
                if (parameters[i] == *argument.name)
                    index = i;
            if (index == parameters.size())
                throw refusal(8145, "@" + *argument.name + " is not a parameter for procedure " +
                                        statement.procedure + ".");
        } else {
            ++position;
        }
        if (index >= parameters.size())
            throw refusal(8144, "Procedure or function " + statement.procedure +
                                    " has too many arguments specified.");
        if (!argument.defaulted)
            bound[index] = argument.value;
    }
    return bound;
}

void ServerLevelExecutor::execute(const ServerProcedure& statement, StatementOutcome& outcome) {
    m_outcome = &outcome;
    const std::string& name = statement.procedure;
    Arguments a = bindArguments(statement, parameterLists().find(name)->second);
    auto arg = [&](std::size_t index, std::string_view parameter) -> const std::string& {
        return required(a, index, name, parameter);
    };
    bool serverRows = name.find("login") != std::string::npos || name == "sp_defaultdb" ||
                      name == "sp_defaultlanguage" || name.find("srvrole") != std::string::npos ||
                      name == "sp_password";
    if (serverRows && m_context.trancount > 0)
        throw refusal(15002,
                      "The procedure '" + name + "' cannot be executed within a transaction.");

    if (name == "sp_addlogin") {
        addLogin(a);
    } else if (name == "sp_droplogin" || name == "sp_revokelogin") {
        dropLogin(arg(0, "@loginame"));
    } else if (name == "sp_defaultdb" || name == "sp_defaultlanguage") {
        const std::string& login = arg(0, "@loginame");
        bool database = name == "sp_defaultdb";
        const std::string& value = arg(1, database ? "@defdb" : "@language");
        if (!loginSid(login))
            throw loginMissing(login);
        if (database)
            requireDatabase(value);
        else if (!namesEqual(value, "us_english") && !namesEqual(value, "English"))
            throw refusal(15033, "'" + value + "' is not a valid official language name.");
        m_context.server.db()
            .prepare(std::string("UPDATE syslogins SET ") + (database ? "dbname" : "language") +
                     " = ?, updatedate = strftime('%Y-%m-%d %H:%M:%f', 'now') WHERE loginname = ?")
            .bind(1, database ? value : std::string("us_english"))
            .bind(2, login)
            .run();
        inform(database ? "Default database changed." : "Default language changed.");
    } else if (name == "sp_grantlogin" || name == "sp_denylogin") {
        grantWindowsLogin(arg(0, "@loginame"), name == "sp_denylogin");
    } else if (name == "sp_grantdbaccess" || name == "sp_adduser") {
        const std::string& login = arg(0, "@loginame");
        std::string user = a[1].value_or(login);
        if (name == "sp_adduser" && a[2] && !findPrincipal(m_context.current, *a[2]))
            throw refusal(15014,
                          "The group '" + *a[2] + "' does not exist in the current database.");
        grantDatabaseAccess(login, user);
        if (name == "sp_adduser" && a[2])
            addRoleMember(*a[2], user, false);
    } else if (name == "sp_revokedbaccess" || name == "sp_dropuser") {
        dropUser(arg(0, "@name_in_db"));
    } else if (name == "sp_addrole" || name == "sp_addgroup") {
        // sp_addgroup and sp_dropgroup are the older names of the role procedures.
        addRole(arg(0, name == "sp_addrole" ? "@rolename" : "@grpname"));
    } else if (name == "sp_droprole" || name == "sp_dropgroup") {
        dropRole(arg(0, "@rolename"));
    } else if (name == "sp_addrolemember" || name == "sp_droprolemember") {
        addRoleMember(arg(0, "@rolename"), arg(1, "@membername"), name == "sp_droprolemember");
    } else if (name == "sp_changedbowner") {
        changeDatabaseOwner(arg(0, "@loginame"));
    } else if (name == "sp_change_users_login") {
        changeUsersLogin(a, outcome);
    } else if (name == "sp_dbcmptlevel") {
        compatibilityLevel(a, outcome);
    } else if (name == "sp_addsrvrolemember" || name == "sp_dropsrvrolemember") {
        setServerRole(arg(0, "@loginame"), arg(1, "@rolename"), name == "sp_addsrvrolemember");
    } else if (name == "sp_password") {
        std::string login = a[2].value_or("sa");
        if (!loginSid(login))
            throw loginMissing(login);
        inform("Password changed.");
    } else if (name == "sp_validname") {
        const std::string& value = arg(0, "@name");
        if (value.empty())
            throw refusal(15004, "Name cannot be NULL.");
    }
    m_outcome = nullptr;
}

void ServerLevelExecutor::grantDatabaseAccess(const std::string& login, const std::string& user) {
    std::optional<std::string> sid = loginSid(login);
    if (!sid && !isWindowsName(login))
        throw loginMissing(login);
    if (findPrincipal(m_context.current, user))
        throw principalExists(user);
    if (sid) {
        auto mapped = m_context.current.prepare("SELECT 1 FROM sysusers WHERE sid = ?");
        mapped.bind(1, *sid);
        if (mapped.step())
            throw refusal(15063, "The login already has an account under a different user name.");
    }
    long long uid = m_context.current
                        .queryInteger("SELECT max(max(uid) + 1, 5) FROM sysusers WHERE uid < " +
                                      std::to_string(kFirstFixedRoleUid))
                        .value_or(kFirstUserUid);
    bool windows = isWindowsName(login);
    m_context.current
        .prepare("INSERT INTO sysusers (uid, status, name, sid, gid, hasdbaccess, islogin, "
                 "isntname, isntuser, issqluser) VALUES (?, ?, ?, coalesce(?, '0x' || "
                 "hex(randomblob(28))), 0, 1, 1, ?, ?, ?)")
        .bind(1, uid)
        .bind(2, windows ? 6 : 2)
        .bind(3, user)
        .bind(4, sid)
        .bind(5, windows ? 1 : 0)
        .bind(6, windows ? 1 : 0)
        .bind(7, windows ? 0 : 1)
        .run();
    inform("Granted database access to '" + user + "'.");
}

bool ServerLevelExecutor::ownsObjects(int uid) {
    auto owns = m_context.current.prepare("SELECT 1 FROM sysobjects WHERE uid = ?");
    owns.bind(1, uid);
    return owns.step();
}

void ServerLevelExecutor::removePrincipal(int uid) {
    CatalogTransaction transaction(m_context.current);
    m_context.current.prepare("DELETE FROM sysmembers WHERE memberuid = ?").bind(1, uid).run();
    m_context.current.prepare("DELETE FROM sysusers WHERE uid = ?").bind(1, uid).run();
    transaction.commit();
}

void ServerLevelExecutor::dropUser(const std::string& user) {
    std::optional<PrincipalRow> row = findPrincipal(m_context.current, user);
    if (!row || row->role)
        throw refusal(15008, "User '" + user + "' does not exist in the current database.");
    if (row->uid == 1 || row->uid == 3 || row->uid == 4)
        throw refusal(15150, "Cannot drop the '" + row->name + "' user.");
    if (row->uid == 2) {
        // guest stays; dropping it takes its access to the database away.
        m_context.current.execute("UPDATE sysusers SET hasdbaccess = 0 WHERE uid = 2");
        inform("User has been dropped from current database.");
        return;
    }
    if (ownsObjects(row->uid))
        throw refusal(15183, "The user owns objects in the database and cannot be dropped.");
    removePrincipal(row->uid);
    inform("User has been dropped from current database.");
}

void ServerLevelExecutor::addRole(const std::string& role) {
    if (findPrincipal(m_context.current, role))
        throw principalExists(role);
    if (isWindowsName(role))
        throw refusal(15006, "'" + role +
                                 "' is not a valid name because it contains invalid "
                                 "characters.");
    long long uid =
        m_context.current
            .queryInteger("SELECT max(max(uid) + 1, 16400) FROM sysusers WHERE uid >= 16400")
            .value_or(kFirstRoleUid);
    m_context.current
        .prepare("INSERT INTO sysusers (uid, status, name, sid, gid, issqlrole) VALUES (?, 0, ?, "
                 "NULL, ?, 1)")
        .bind(1, uid)
        .bind(2, role)
        .bind(3, uid)
        .run();
    inform("New role added.");
}

void ServerLevelExecutor::dropRole(const std::string& role) {
    std::optional<PrincipalRow> row = findPrincipal(m_context.current, role);
    if (!row || !row->role)
        throw roleMissing(role);
    if (row->uid < kFirstRoleUid)
        throw refusal(15142, "Cannot drop the role '" + row->name + "'.");
    auto members = m_context.current.prepare("SELECT 1 FROM sysmembers WHERE groupuid = ?");
    members.bind(1, row->uid);
    if (members.step())
        throw refusal(15144, "The role has members. It must be empty before it can be dropped.");
    if (ownsObjects(row->uid))
        throw refusal(15138, "The role owns objects in the database and cannot be dropped.");
    removePrincipal(row->uid);
    inform("Role dropped.");
}

void ServerLevelExecutor::addRoleMember(const std::string& role, const std::string& member,
                                        bool drop) {
    std::optional<PrincipalRow> group = findPrincipal(m_context.current, role);
    if (!group || !group->role || group->uid == 0)
        throw roleMissing(role);
    std::optional<PrincipalRow> who = findPrincipal(m_context.current, member);
    if (!who || who->uid == 0)
        throw refusal(15410, "User or role '" + member + "' does not exist in this database.");
    if (who->uid == group->uid)
        throw refusal(15413, "Cannot make a role a member of itself.");
    if (!drop && who->uid == 1)
        throw refusal(15405, "Cannot use the reserved user or role name 'dbo'.");
    auto change = m_context.current.prepare(
        drop ? "DELETE FROM sysmembers WHERE memberuid = ? AND groupuid = ?"
             : "INSERT OR IGNORE INTO sysmembers (memberuid, groupuid) VALUES (?, ?)");
    change.bind(1, who->uid).bind(2, group->uid).run();
    inform("'" + who->name + (drop ? "' dropped from role '" : "' added to role '") + group->name +
           "'.");
}

void ServerLevelExecutor::changeDatabaseOwner(const std::string& login) {
    std::optional<std::string> sid = loginSid(login);
    if (!sid)
        throw loginMissing(login);
    auto user = m_context.current.prepare("SELECT 1 FROM sysusers WHERE sid = ? AND uid <> 1");
    user.bind(1, *sid);
    if (user.step())
        throw refusal(15110, "The proposed new database owner is already a user in the database.");
    m_context.current.prepare("UPDATE sysusers SET sid = ? WHERE uid = 1").bind(1, *sid).run();
    m_context.server.reconcile();
    m_context.server.db()
        .prepare("UPDATE sysdatabases SET sid = ? WHERE name = ?")
        .bind(1, *sid)
        .bind(2, m_context.currentName)
        .run();
    inform("Database owner changed.");
}

void ServerLevelExecutor::changeUsersLogin(const Arguments& a, StatementOutcome& outcome) {
    const std::string& action = required(a, 0, "sp_change_users_login", "@action");
    if (namesEqual(action, "Report")) {
        ResultSet result;
        result.columns = {ColumnInfo{"UserName", ColumnType::NVarChar, 128, false},
                          ColumnInfo{"UserSID", ColumnType::NVarChar, 85, true}};
        auto users = m_context.current.prepare(
            "SELECT name, sid FROM sysusers WHERE issqluser = 1 AND uid > 4 ORDER BY name");
        // Users whose security identifier matches no login.
        while (users.step()) {
            auto mapped = m_context.server.db().prepare("SELECT 1 FROM syslogins WHERE sid = ?");
            mapped.bind(1, users.value(1));
            if (mapped.step())
                continue;
            result.rows.push_back({users.text(0), users.value(1)});
        }
        outcome.rowCount = static_cast<long long>(result.rows.size());
        outcome.resultSet = std::move(result);
        return;
    }
    const std::string& user = required(a, 1, "sp_change_users_login", "@UserNamePattern");
    std::optional<PrincipalRow> row = findPrincipal(m_context.current, user);
    if (!row || row->role || row->uid <= 4)
        throw refusal(15291, "Terminating this procedure. The User name '" + user +
                                 "' is absent or invalid.");
    std::string login;
    if (namesEqual(action, "Update_One"))
        login = required(a, 2, "sp_change_users_login", "@LoginName");
    else if (namesEqual(action, "Auto_Fix"))
        login = a[2].value_or(user);
    else
        throw refusal(15286, "Terminating this procedure. The Action '" + action +
                                 "' is unknown. Use 'Auto_Fix', 'Report' or 'Update_One'.");
    std::optional<std::string> sid = loginSid(login);
    if (!sid)
        throw refusal(15291, "Terminating this procedure. The Login name '" + login +
                                 "' is absent or invalid.");
    m_context.current.prepare("UPDATE sysusers SET sid = ? WHERE uid = ?")
        .bind(1, *sid)
        .bind(2, row->uid)
        .run();
}

} // namespace testserver
