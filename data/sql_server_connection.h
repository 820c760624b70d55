#pragma once

#include "connection.h"

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

// The ODBC driver used for SQL Server: the environment variable
// DBCOMPARE_ODBC_DRIVER when set and not empty, else "FreeTDS".
std::string sqlServerDriverName();

// Quotes `value` by ODBC's rule: enclosed in braces with every "}" doubled,
// so that ";", "=", "{", "}" and blanks are part of the value. This is how
// unixODBC and Microsoft's drivers read a value.
std::string quoteOdbcValue(const std::string& value);

// Quotes `value` so that unixODBC and the FreeTDS driver both read it as
// `value`. FreeTDS 1.3 ends a braced value at the first "};" and keeps "}}"
// doubled, unixODBC undoubles it; the two agree on "{value}" when the value
// has no "}", and on the bare value when it has no ";" and does not begin
// with "{". A value that fits neither form (or holds a NUL) cannot be passed
// safely: DatabaseError says so, naming `what` ("the password").
std::string quoteFreeTdsValue(const std::string& value, const std::string& what);

// The ODBC connection string for `properties` and the driver `driverName`.
// For FreeTDS, "." and "(local)" name this machine (127.0.0.1),
// "host,port" becomes SERVER and PORT, "host\instance" stays in SERVER (the
// driver resolves the instance), and the driver is asked for UTF-8 text and
// TDS 7.4. Any other driver gets the server box as typed. Every value is
// quoted, so no box text can add or change an attribute.
std::string odbcConnectionString(const ConnectionProperties& properties,
                                 const std::string& driverName);

// Connects to SQL Server through ODBC with the driver of sqlServerDriverName().
std::unique_ptr<Connection> connectSqlServer(const ConnectionProperties& properties);

} // namespace dbc
