#pragma once

#include "connection.h"
#include "odbc_connection_string.h"

#include <memory>
#include <string>

namespace dbc {

// The four connection boxes of the window, as typed.
struct ConnectionProperties {
    std::string server;
    std::string database;
    std::string user;
    std::string password;
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
std::string odbcConnectionString(const ConnectionProperties& properties,
                                 const std::string& driverName);

// Connects to SQL Server through ODBC with the driver named `driverName`.
std::unique_ptr<Connection> connectSqlServer(const ConnectionProperties& properties,
                                             const std::string& driverName);

// Connects with the default driver, FreeTDS.
std::unique_ptr<Connection> connectSqlServer(const ConnectionProperties& properties);

} // namespace dbc
