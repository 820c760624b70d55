#include "cli/odbc_driver.h"

#include "data/sql_server_connection.h"

#include <cstdlib>

namespace dbc {

std::string odbcDriverFromEnvironment() {
    const char* value = std::getenv("DBCOMPARE_ODBC_DRIVER");
    if (value && *value)
        return value;
    return defaultOdbcDriver;
}

std::string odbcDriverOr(const std::string& named) {
    return named.empty() ? odbcDriverFromEnvironment() : named;
}

} // namespace dbc
