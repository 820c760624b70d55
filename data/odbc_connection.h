#pragma once

#include "data/connection.h"
#include "data/database_error.h"
#include "data/odbc_handle.h"

#include <string>
#include <vector>

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
    // Groups the statements into batches (see openBatched).
    void openEach(const std::vector<std::string>& statements, const ReplyHandler& onReply) override;
    std::vector<ResultOrError> openAll(const std::string& sql) override;
    void setQueryTimeout(int seconds) override { m_queryTimeoutSeconds = seconds; }

private:
    OdbcHandle newStatement();
    OdbcHandle runStatement(const std::string& sql);
    Result openFirstResult(const std::string& sql);
    // True when the driver knows the connection to the server is gone.
    bool connectionDead() const;
    // `error`, marked as a lost connection (SQLSTATE 08S01) when it is one.
    DatabaseError classified(const DatabaseError& error) const;

    OdbcHandle m_env;
    OdbcHandle m_dbc;
    int m_queryTimeoutSeconds = 0;
};

} // namespace dbc
