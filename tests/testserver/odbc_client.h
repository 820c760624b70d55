#pragma once

#include <optional>
#include <sql.h>
#include <sqlext.h>
#include <stdexcept>
#include <string>
#include <vector>

namespace testserver::test {

// A failed ODBC call with the driver's first diagnostic record.
class OdbcError : public std::runtime_error {
public:
    OdbcError(std::string state, long nativeError, const std::string& message)
        : std::runtime_error(message), m_state(std::move(state)), m_nativeError(nativeError) {}
    const std::string& state() const noexcept { return m_state; }
    long nativeError() const noexcept { return m_nativeError; }

private:
    std::string m_state;
    long m_nativeError;
};

struct OdbcColumn {
    std::string name;
    SQLSMALLINT sqlType = 0;
    SQLULEN size = 0;
    SQLSMALLINT nullable = 0;
};

struct OdbcResult {
    std::vector<OdbcColumn> columns;                           // empty: no result set
    std::vector<std::vector<std::optional<std::string>>> rows; // values as UTF-8 text
    SQLLEN rowCount = -1;                                      // SQLRowCount
};

// The connection string for the FreeTDS driver to 127.0.0.1:`port`.
std::string freeTdsConnectionString(int port, const std::string& user, const std::string& password,
                                    const std::string& database,
                                    const std::string& tdsVersion = "7.4");

// One ODBC connection through the unixODBC driver manager.
class OdbcConnection {
public:
    explicit OdbcConnection(const std::string& connectionString);
    ~OdbcConnection();
    OdbcConnection(const OdbcConnection&) = delete;
    OdbcConnection& operator=(const OdbcConnection&) = delete;

    // Runs `sql` with SQLExecDirect and reads every result (SQLMoreResults);
    // throws OdbcError on the first failing call.
    std::vector<OdbcResult> execute(const std::string& sql);

    // Runs `sql`, fetches `rows` rows of the first result, then closes the
    // cursor (which makes the driver cancel the rest).
    std::vector<std::vector<std::optional<std::string>>> fetchSomeThenClose(const std::string& sql,
                                                                            int rows);

    // The database the driver reports as current (SQL_ATTR_CURRENT_CATALOG).
    std::string currentCatalog() const;

    SQLHDBC handle() const noexcept { return m_dbc; }

private:
    SQLHENV m_env = SQL_NULL_HENV;
    SQLHDBC m_dbc = SQL_NULL_HDBC;
    bool m_connected = false;
};

} // namespace testserver::test
