#pragma once

#include "connection.h"
#include "odbc_handle.h"

#include <string>

namespace dbc {

// A connection through the ODBC driver manager, opened from an ODBC
// connection string ("DRIVER={...};SERVER=...;..."). Values are fetched as
// the driver renders them in SQL_C_CHAR: integers in plain decimal, NULL as
// the empty text, long texts whole.
class OdbcConnection : public Connection {
public:
    // Connects at once; throws DatabaseError with the driver's or server's
    // message when the connection is refused.
    explicit OdbcConnection(const std::string& connectionString);
    ~OdbcConnection() override = default;

    OdbcConnection(const OdbcConnection&) = delete;
    OdbcConnection& operator=(const OdbcConnection&) = delete;

    Result open(const std::string& sql) override;
    void execute(const std::string& sql) override;

private:
    OdbcHandle runStatement(const std::string& sql);

    OdbcHandle m_env;
    OdbcHandle m_dbc;
};

} // namespace dbc
