#pragma once

#include "data/connection.h"
#include "data/connection_security.h"
#include "data/odbc_connection_string.h"

#include <memory>
#include <string>
#include <string_view>

namespace dbc {

// The four connection boxes of the window, as typed, and what the connection
// asks of the driver beyond them.
struct ConnectionProperties {
    std::string server;
    std::string database;
    std::string user;
    std::string password;
    ConnectionSecurity security{};
};

// The ODBC driver used for SQL Server unless the front end names another.
inline constexpr const char* defaultOdbcDriver = "FreeTDS";

// The ODBC connection string for `properties` and the driver `driverName`.
// For FreeTDS, "." and "(local)" name this machine (127.0.0.1),
// "host,port" becomes SERVER and PORT, "host\instance" stays in SERVER (the
// driver resolves the instance), and the driver is asked for UTF-8 text and
// TDS 7.4. Any other driver gets the server box as typed. Every value is
// quoted, so no box text can add or change an attribute; a value that cannot
// be passed safely is refused with DatabaseError naming its box.
//
// The security settings become each driver's own keywords: Microsoft's
// drivers get Encrypt, TrustServerCertificate and Trusted_Connection;
// FreeTDS gets Encryption (off, require) and Trusted_Connection, and is
// refused strict encryption, which FreeTDS 1.3 cannot do. Settings left at
// their defaults add nothing, so the driver's own defaults hold. With an
// integrated login no login name or password is written.
std::string odbcConnectionString(const ConnectionProperties& properties,
                                 const std::string& driverName);

// Where a connection from the server box `server` goes, for messages:
// "host,port" with "." and "(local)" as 127.0.0.1 and port 1433 when the box
// names none, or "host\instance" for a named instance (its port is looked up
// by the driver).
std::string serverAddress(std::string_view server);
// How long a connection waits for the server: the login, and each catalog
// query. Statements run for the user get their own limit through
// Connection::setQueryTimeout (none unless asked for).
struct ConnectionTimeouts {
    int loginSeconds = 15;
    int querySeconds = 120;
};

// Connects to SQL Server through ODBC with the driver named `driverName`.
// An empty database name is refused before anything is sent: the server
// would take the login's default database instead.
std::unique_ptr<Connection> connectSqlServer(const ConnectionProperties& properties,
                                             const std::string& driverName,
                                             const ConnectionTimeouts& timeouts = {});

// True when `database` names no database: empty or only blanks, which SQL
// Server reads as no name at all.
bool isBlankDatabaseName(const std::string& database);

} // namespace dbc
