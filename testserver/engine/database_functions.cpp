#include "testserver/engine/database_functions.h"

#include "testserver/engine/database_status_bits.h"
#include "testserver/engine/name_collation.h"
#include "testserver/engine/sql_function_support.h"

#include <sqlite3.h>

#include <string>

namespace testserver {

namespace {

const SessionVariables& variablesOf(sqlite3_context* context) {
    return *static_cast<const SessionVariables*>(sqlite3_user_data(context));
}

void resultInteger(sqlite3_context* context, const std::optional<std::string>& value) {
    if (value)
        sqlite3_result_int64(context, std::stoll(*value));
    else
        sqlite3_result_null(context);
}

void resultTextOrNull(sqlite3_context* context, const std::optional<std::string>& value) {
    if (value)
        resultText(context, *value);
    else
        sqlite3_result_null(context);
}

void databaseId(sqlite3_context* context, int count, sqlite3_value** arguments) {
    std::optional<std::string> name =
        count > 0 ? textArgument(arguments[0]) : std::optional(variablesOf(context).database);
    if (!name) {
        sqlite3_result_null(context);
        return;
    }
    resultInteger(context,
                  lookUp(context, "SELECT dbid FROM master.sysdatabases WHERE name = ?", *name));
}

void databaseName(sqlite3_context* context, int count, sqlite3_value** arguments) {
    if (count == 0) {
        resultText(context, variablesOf(context).database);
        return;
    }
    std::optional<std::string> id = textArgument(arguments[0]);
    std::optional<std::string> name;
    if (id)
        name = lookUp(context, "SELECT name FROM master.sysdatabases WHERE dbid = ?", *id);
    resultTextOrNull(context, name);
}

std::optional<long long> column(sqlite3_context* context, const std::string& database,
                                const std::string& name) {
    std::string sql = "SELECT " + name + " FROM master.sysdatabases WHERE name = ?";
    std::optional<std::string> value = lookUp(context, sql.c_str(), database);
    if (!value)
        return std::nullopt;
    return std::stoll(*value);
}

// SUSER_SID([login]): the login's security identifier (as its "0x..." text);
// without an argument the session's login, sa when none was given.
void loginSid(sqlite3_context* context, int count, sqlite3_value** arguments) {
    std::optional<std::string> login =
        count > 0 ? textArgument(arguments[0]) : std::optional(variablesOf(context).user);
    if (login && login->empty())
        login = "sa";
    std::optional<std::string> sid;
    if (login)
        sid = lookUp(context, "SELECT sid FROM master.syslogins WHERE loginname = ?", *login);
    resultTextOrNull(context, sid);
}

// SUSER_SNAME(sid): the login a security identifier belongs to.
void loginOfSid(sqlite3_context* context, int, sqlite3_value** arguments) {
    std::optional<std::string> sid = textArgument(arguments[0]);
    std::optional<std::string> login;
    if (sid)
        login = lookUp(context, "SELECT loginname FROM master.syslogins WHERE sid = ?", *sid);
    resultTextOrNull(context, login);
}

// DATABASEPROPERTY (numbers) and DATABASEPROPERTYEX (also the named states).
void databaseProperty(sqlite3_context* context, int extended, sqlite3_value** arguments) {
    std::optional<std::string> database = textArgument(arguments[0]);
    std::optional<std::string> property = textArgument(arguments[1]);
    std::optional<long long> status;
    if (database)
        status = column(context, *database, "status");
    if (!status || !property) {
        sqlite3_result_null(context);
        return;
    }
    for (const DatabaseStatusBit& bit : kDatabaseStatusBits)
        if (namesEqual(bit.property, *property)) {
            long long value = column(context, *database, bit.column).value_or(0);
            sqlite3_result_int(context, (value & bit.bit) != 0 ? 1 : 0);
            return;
        }
    if (namesEqual(*property, "Version")) {
        sqlite3_result_int(context, 539);
    } else if (namesEqual(*property, "IsAutoCreateStatistics") ||
               namesEqual(*property, "IsAutoUpdateStatistics")) {
        sqlite3_result_int(context, 1); // on in every new database
    } else if (namesEqual(*property, "IsDetached") || namesEqual(*property, "IsShutDown") ||
               namesEqual(*property, "IsInStandBy")) {
        sqlite3_result_int(context, 0);
    } else if (!extended) {
        sqlite3_result_null(context);
    } else if (namesEqual(*property, "Collation")) {
        std::optional<std::string> collation =
            lookUp(context,
                   "SELECT collation FROM master.testserver_databases d JOIN master.sysdatabases "
                   "s ON s.dbid = d.dbid WHERE s.name = ?",
                   *database);
        if (!collation && namesEqual(*database, variablesOf(context).database))
            collation = lookUp(context, "SELECT value FROM testserver_settings WHERE name = ?",
                               "collation");
        resultText(context, collation.value_or("Chinese_PRC_CI_AS"));
    } else if (namesEqual(*property, "Status")) {
        resultText(context, (*status & 512) ? "OFFLINE" : "ONLINE");
    } else if (namesEqual(*property, "Updateability")) {
        resultText(context, (*status & 1024) ? "READ_ONLY" : "READ_WRITE");
    } else if (namesEqual(*property, "UserAccess")) {
        resultText(context, (*status & 4096)   ? "SINGLE_USER"
                            : (*status & 2048) ? "RESTRICTED_USER"
                                               : "MULTI_USER");
    } else if (namesEqual(*property, "Recovery")) {
        resultText(context, (*status & 8) ? "SIMPLE" : (*status & 4) ? "BULK_LOGGED" : "FULL");
    } else {
        sqlite3_result_null(context);
    }
}

void databasePropertyNumber(sqlite3_context* context, int, sqlite3_value** arguments) {
    databaseProperty(context, 0, arguments);
}

void databasePropertyExtended(sqlite3_context* context, int, sqlite3_value** arguments) {
    databaseProperty(context, 1, arguments);
}

} // namespace

void registerDatabaseFunctions(CatalogDb& db, const SessionVariables& variables) {
    static const SqlFunction functions[] = {
        {"db_id", 0, databaseId},
        {"db_id", 1, databaseId},
        {"db_name", 0, databaseName},
        {"db_name", 1, databaseName},
        {"databaseproperty", 2, databasePropertyNumber},
        {"databasepropertyex", 2, databasePropertyExtended},
        {"suser_sid", 0, loginSid},
        {"suser_sid", 1, loginSid},
        {"suser_sname", 1, loginOfSid},
    };
    registerFunctions(db, functions, const_cast<SessionVariables*>(&variables));
}

} // namespace testserver
