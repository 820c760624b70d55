#include "data/sql_server_connection.h"

#include "data/database_error.h"
#include "data/odbc_connection.h"
#include "data/result.h"

#include <string_view>

namespace dbc {

namespace {

constexpr const char* kLocalHost = "127.0.0.1";
constexpr const char* kDefaultPort = "1433";

bool containsIgnoringCase(std::string_view text, std::string_view part) {
    if (part.size() > text.size())
        return false;
    for (std::size_t i = 0; i + part.size() <= text.size(); ++i) {
        if (equalsIgnoringCase(text.substr(i, part.size()), part))
            return true;
    }
    return false;
}

bool isFreeTds(std::string_view driverName) {
    return containsIgnoringCase(driverName, "freetds") ||
           containsIgnoringCase(driverName, "tdsodbc");
}

// "." and "(local)" are SQL Server's names for this machine.
std::string hostName(std::string_view host) {
    if (host == "." || equalsIgnoringCase(host, "(local)"))
        return kLocalHost;
    return std::string(host);
}

std::string_view withoutTcpPrefix(std::string_view server) {
    if (server.size() > 4 && equalsIgnoringCase(server.substr(0, 4), "tcp:"))
        server.remove_prefix(4);
    return server;
}

// SERVER (and PORT) for FreeTDS from the server box.
void addFreeTdsServer(FreeTdsConnectionString& out, std::string_view server) {
    const std::string what = "the server name";
    server = withoutTcpPrefix(server);
    auto comma = server.rfind(',');
    if (comma != std::string_view::npos) {
        out.add("SERVER", hostName(server.substr(0, comma)), what);
        out.add("PORT", std::string(server.substr(comma + 1)), what);
        return;
    }
    auto backslash = server.find('\\');
    if (backslash != std::string_view::npos) {
        out.add("SERVER",
                hostName(server.substr(0, backslash)) + std::string(server.substr(backslash)),
                what);
        return;
    }
    out.add("SERVER", hostName(server), what);
}

void addFreeTdsSecurity(FreeTdsConnectionString& out, const ConnectionSecurity& security) {
    switch (security.encryption) {
    case Encryption::DriverDefault:
        break;
    case Encryption::No:
        out.addRaw("Encryption=off;");
        break;
    case Encryption::Yes:
        out.addRaw("Encryption=require;");
        break;
    case Encryption::Strict:
        throw DatabaseError("strict encryption (TDS 8.0) cannot be asked of the FreeTDS ODBC "
                            "driver; name Microsoft's ODBC Driver 18 for SQL Server instead");
    }
    // FreeTDS checks a certificate only when freetds.conf names a "ca file":
    // trusting the server's certificate needs no keyword here.
    if (security.integratedLogin)
        out.addRaw("Trusted_Connection=Yes;");
}

// Microsoft's ODBC Driver 17 and 18 for SQL Server (and any other driver
// named) take Microsoft's keywords.
std::string microsoftSecurity(const ConnectionSecurity& security) {
    std::string text;
    if (security.encryption != Encryption::DriverDefault)
        text += "Encrypt=" + encryptionName(security.encryption) + ";";
    if (security.trustServerCertificate)
        text += "TrustServerCertificate=yes;";
    if (security.integratedLogin)
        text += "Trusted_Connection=yes;";
    return text;
}

// Why a connection that asked for encryption or an integrated login may
// have failed before the server saw a login: the drivers say no more than
// "Unable to connect to data source" (SQLSTATE 08001) then.
std::string securityHint(const ConnectionSecurity& security) {
    std::string hint;
    if (security.encryption == Encryption::Yes || security.encryption == Encryption::Strict)
        hint = std::string("encryption was required") +
               (security.encryption == Encryption::Strict ? " (strict)" : "") +
               ": the server may not offer it" +
               (security.trustServerCertificate ? "" : ", or its certificate is not trusted");
    if (security.integratedLogin)
        hint += std::string(hint.empty() ? "" : "; ") +
                "an integrated login was asked: it needs a Kerberos ticket on this machine "
                "(kinit) and a login for it on the server";
    return hint;
}

} // namespace

std::string serverAddress(std::string_view server) {
    server = withoutTcpPrefix(server);
    auto comma = server.rfind(',');
    if (comma != std::string_view::npos)
        return hostName(server.substr(0, comma)) + "," + std::string(server.substr(comma + 1));
    auto backslash = server.find('\\');
    if (backslash != std::string_view::npos)
        return hostName(server.substr(0, backslash)) + std::string(server.substr(backslash));
    return hostName(server) + "," + kDefaultPort;
}

std::string odbcConnectionString(const ConnectionProperties& properties,
                                 const std::string& driverName) {
    if (isFreeTds(driverName)) {
        FreeTdsConnectionString out(driverName);
        addFreeTdsServer(out, properties.server);
        out.add("DATABASE", properties.database, "the database name");
        if (!properties.security.integratedLogin) {
            out.add("UID", properties.user, "the user name");
            out.add("PWD", properties.password, "the password");
        }
        out.addRaw("ClientCharset=UTF-8;TDS_Version=7.4;");
        addFreeTdsSecurity(out, properties.security);
        return out.finish();
    }
    std::string text = "DRIVER=" + quoteOdbcValue(driverName) + ";";
    auto add = [&text](std::string_view name, const std::string& value, const std::string& what) {
        if (value.find('\0') != std::string::npos)
            throw DatabaseError(what + " contains a NUL character");
        text += std::string(name) + "=" + quoteOdbcValue(value) + ";";
    };
    add("SERVER", properties.server, "the server name");
    add("DATABASE", properties.database, "the database name");
    if (!properties.security.integratedLogin) {
        add("UID", properties.user, "the user name");
        add("PWD", properties.password, "the password");
    }
    return text + microsoftSecurity(properties.security);
}

bool isBlankDatabaseName(const std::string& database) {
    return database.find_first_not_of(" \t") == std::string::npos;
}

std::unique_ptr<Connection> connectSqlServer(const ConnectionProperties& properties,
                                             const std::string& driverName,
                                             const ConnectionTimeouts& timeouts) {
    if (isBlankDatabaseName(properties.database))
        throw DatabaseError("the database name is empty");
    const std::string connectionString = odbcConnectionString(properties, driverName);
    std::unique_ptr<OdbcConnection> connection;
    try {
        connection = std::make_unique<OdbcConnection>(connectionString, timeouts.loginSeconds);
    } catch (const DatabaseError& error) {
        const std::string hint = securityHint(properties.security);
        if (hint.empty() || error.sqlState() != "08001")
            throw;
        throw DatabaseError(std::string(error.what()) + "\n(" + hint + ")", error.sqlState(),
                            error.nativeError());
    }
    connection->setQueryTimeout(timeouts.querySeconds);
    return connection;
}

} // namespace dbc
