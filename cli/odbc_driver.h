#pragma once

#include <string>

namespace dbc {

// The ODBC driver both front ends connect to SQL Server through: the
// environment variable DBCOMPARE_ODBC_DRIVER when set and not empty, else
// "FreeTDS".
std::string odbcDriverFromEnvironment();

// `named` (the command line's --driver) when not empty, else
// odbcDriverFromEnvironment().
std::string odbcDriverOr(const std::string& named);

} // namespace dbc
