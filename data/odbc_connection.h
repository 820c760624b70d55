#pragma once

#include "connection.h"
#include "database_error.h"
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
    // message when the connection is refused. A server that has not finished
    // the login after `loginTimeoutSeconds` (0: no limit) is given up.
    explicit OdbcConnection(const std::string& connectionString, int loginTimeoutSeconds = 0);
    ~OdbcConnection() override = default;

    OdbcConnection(const OdbcConnection&) = delete;
    OdbcConnection& operator=(const OdbcConnection&) = delete;

    Result open(const std::string& sql) override;
    void execute(const std::string& sql) override;
    void setQueryTimeout(int seconds) override { m_queryTimeoutSeconds = seconds; }

private:
    OdbcHandle runStatement(const std::string& sql);
    Result fetchAll(const std::string& sql);
    // Rethrows `error` as a lost connection (SQLSTATE 08S01) when the driver
    // says the connection is dead, whatever the failing call reported.
    [[noreturn]] void rethrowKnowingTheConnection(const DatabaseError& error) const;

    OdbcHandle m_env;
    OdbcHandle m_dbc;
    int m_queryTimeoutSeconds = 0;
};

} // namespace dbc
