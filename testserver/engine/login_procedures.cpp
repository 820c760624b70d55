// The system procedures on logins (server rows in syslogins) and on a
// database's compatibility level. Passwords are accepted and never kept: the
// test server checks logins only against --user/--password.

#include "testserver/engine/server_level_executor.h"

#include "testserver/engine/name_collation.h"
#include "testserver/engine/procedure_support.h"

namespace testserver {

using namespace procedure;

namespace {

// The fixed server roles, each a column of syslogins.
constexpr std::string_view kServerRoles[] = {"sysadmin",   "securityadmin", "serveradmin",
                                             "setupadmin", "processadmin",  "diskadmin",
                                             "dbcreator",  "bulkadmin"};

} // namespace

std::optional<std::string> ServerLevelExecutor::loginSid(const std::string& login) {
    auto find = m_context.server.db().prepare("SELECT sid FROM syslogins WHERE loginname = ?");
    find.bind(1, login);
    if (!find.step())
        return std::nullopt;
    return find.text(0);
}

void ServerLevelExecutor::addLogin(const Arguments& a) {
    const std::string& login = required(a, 0, "sp_addlogin", "@loginame");
    if (login.empty())
        throw refusal(15004, "Name cannot be NULL.");
    if (isWindowsName(login))
        throw refusal(15006, "'" + login +
                                 "' is not a valid name because it contains invalid "
                                 "characters.");
    if (namesEqual(login, "public") || login == "sa")
        throw refusal(15405, "Cannot use the reserved user or role name '" + login + "'.");
    if (loginSid(login))
        throw refusal(15025, "The login '" + login + "' already exists.");
    std::string database = a[2].value_or("master");
    requireDatabase(database);
    if (a[3] && !namesEqual(*a[3], "us_english") && !namesEqual(*a[3], "English"))
        throw refusal(15033, "'" + *a[3] + "' is not a valid official language name.");
    if (a[4] && (a[4]->size() != 34 || a[4]->rfind("0x", 0) != 0 ||
                 a[4]->find_first_not_of("0123456789abcdefABCDEF", 2) != std::string::npos))
        throw refusal(15419, "Supplied parameter @sid should be binary(16).");
    m_context.server.db()
        .prepare("INSERT INTO syslogins (sid, name, dbname, loginname) VALUES "
                 "(coalesce(?, '0x' || hex(randomblob(16))), ?, ?, ?)")
        .bind(1, a[4])
        .bind(2, login)
        .bind(3, database)
        .bind(4, login)
        .run();
    inform("New login created.");
}

void ServerLevelExecutor::dropLogin(const std::string& login) {
    std::optional<std::string> sid = loginSid(login);
    if (!sid)
        throw loginMissing(login);
    if (login == "sa")
        throw refusal(15405, "Cannot use the reserved user or role name 'sa'.");
    // A login that is a user of any database keeps its login.
    for (const DatabaseFile& file : m_context.directory.list()) {
        CatalogDb db(file.path, CatalogDb::Mode::OpenExisting);
        if (!db.queryInteger("SELECT count(*) FROM sqlite_master WHERE name = 'sysusers'")
                 .value_or(0))
            continue;
        auto user = db.prepare("SELECT 1 FROM sysusers WHERE sid = ? AND uid > 2");
        user.bind(1, *sid);
        if (user.step())
            throw refusal(15175, "Login '" + login +
                                     "' is aliased or mapped to a user in one or "
                                     "more database(s). Drop the user or alias "
                                     "before dropping the login.");
    }
    m_context.server.db().prepare("DELETE FROM syslogins WHERE sid = ?").bind(1, *sid).run();
    inform(isWindowsName(login) ? "Revoked login access from '" + login + "'." : "Login dropped.");
}

void ServerLevelExecutor::grantWindowsLogin(const std::string& login, bool deny) {
    if (!isWindowsName(login))
        throw refusal(15407, "'" + login +
                                 "' is not a valid Windows NT name. Give the complete "
                                 "name: <domain\\username>.");
    if (!loginSid(login))
        m_context.server.db()
            .prepare("INSERT INTO syslogins (sid, status, name, dbname, loginname, isntname, "
                     "isntuser) VALUES ('0x' || hex(randomblob(28)), 9, ?, 'master', ?, 1, 1)")
            .bind(1, login)
            .bind(2, login)
            .run();
    m_context.server.db()
        .prepare("UPDATE syslogins SET denylogin = ?, hasaccess = ? WHERE loginname = ?")
        .bind(1, deny ? 1 : 0)
        .bind(2, deny ? 0 : 1)
        .bind(3, login)
        .run();
    inform((deny ? "Denied login access to '" : "Granted login access to '") + login + "'.");
}

void ServerLevelExecutor::setServerRole(const std::string& login, const std::string& role,
                                        bool member) {
    std::string column;
    for (std::string_view known : kServerRoles)
        if (namesEqual(known, role))
            column = known;
    if (column.empty())
        throw refusal(15412, "'" + role + "' is not a known fixed role.");
    if (!loginSid(login))
        throw loginMissing(login);
    m_context.server.db()
        .prepare("UPDATE syslogins SET " + column + " = ? WHERE loginname = ?")
        .bind(1, member ? 1 : 0)
        .bind(2, login)
        .run();
    inform("'" + login + (member ? "' added to role '" : "' dropped from role '") + column + "'.");
}

void ServerLevelExecutor::compatibilityLevel(const Arguments& a, StatementOutcome&) {
    const std::string& database = required(a, 0, "sp_dbcmptlevel", "@dbname");
    requireDatabase(database);
    CatalogDb& server = m_context.server.db();
    if (!a[1]) {
        auto level = server.prepare("SELECT cmptlevel FROM sysdatabases WHERE name = ?");
        level.bind(1, database);
        level.step();
        inform("The current compatibility level is " + level.text(0) + ".");
        return;
    }
    const std::string& value = *a[1];
    if (value != "60" && value != "65" && value != "70" && value != "80")
        throw refusal(15416, "Valid values of database compatibility level are 60, 65, 70, or 80.");
    if (m_context.trancount > 0)
        throw refusal(15002, "The procedure 'sp_dbcmptlevel' cannot be executed within a "
                             "transaction.");
    server.prepare("UPDATE sysdatabases SET cmptlevel = ? WHERE name = ?")
        .bind(1, std::stoll(value))
        .bind(2, database)
        .run();
}

} // namespace testserver
