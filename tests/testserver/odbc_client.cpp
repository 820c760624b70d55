#include "tests/testserver/odbc_client.h"

#include <memory>

namespace testserver::test {

namespace {

OdbcError diagnose(SQLSMALLINT type, SQLHANDLE handle, const std::string& call) {
    SQLCHAR state[6] = {};
    SQLINTEGER native = 0;
    SQLCHAR text[2048] = {};
    SQLSMALLINT length = 0;
    if (!SQL_SUCCEEDED(SQLGetDiagRec(type, handle, 1, state, &native, text, sizeof text, &length)))
        return OdbcError("", 0, call + " failed without a diagnostic");
    return OdbcError(reinterpret_cast<char*>(state), native, reinterpret_cast<char*>(text));
}

void check(SQLRETURN rc, SQLSMALLINT type, SQLHANDLE handle, const std::string& call) {
    if (!SQL_SUCCEEDED(rc))
        throw diagnose(type, handle, call);
}

struct StatementHandle {
    SQLHSTMT handle = SQL_NULL_HSTMT;
    explicit StatementHandle(SQLHDBC dbc) {
        check(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &handle), SQL_HANDLE_DBC, dbc, "SQLAllocHandle");
    }
    ~StatementHandle() { SQLFreeHandle(SQL_HANDLE_STMT, handle); }
    StatementHandle(const StatementHandle&) = delete;
    StatementHandle& operator=(const StatementHandle&) = delete;
};

std::optional<std::string> readValue(SQLHSTMT stmt, SQLUSMALLINT column) {
    std::string value;
    char buffer[1024];
    for (;;) {
        SQLLEN indicator = 0;
        SQLRETURN rc = SQLGetData(stmt, column, SQL_C_CHAR, buffer, sizeof buffer, &indicator);
        if (rc == SQL_NO_DATA)
            break;
        check(rc, SQL_HANDLE_STMT, stmt, "SQLGetData");
        if (indicator == SQL_NULL_DATA)
            return std::nullopt;
        if (rc == SQL_SUCCESS_WITH_INFO) {
            value.append(buffer); // truncated piece: the buffer is full
            continue;
        }
        value.append(buffer);
        break;
    }
    return value;
}

OdbcResult readResult(SQLHSTMT stmt) {
    OdbcResult result;
    SQLSMALLINT count = 0;
    check(SQLNumResultCols(stmt, &count), SQL_HANDLE_STMT, stmt, "SQLNumResultCols");
    for (SQLUSMALLINT c = 1; c <= count; ++c) {
        SQLCHAR name[512] = {};
        SQLSMALLINT nameLength = 0;
        OdbcColumn column;
        SQLSMALLINT digits = 0;
        check(SQLDescribeCol(stmt, c, name, sizeof name, &nameLength, &column.sqlType, &column.size,
                             &digits, &column.nullable),
              SQL_HANDLE_STMT, stmt, "SQLDescribeCol");
        column.name = reinterpret_cast<char*>(name);
        result.columns.push_back(column);
    }
    if (count == 0) {
        SQLRowCount(stmt, &result.rowCount);
        return result;
    }
    for (;;) {
        SQLRETURN rc = SQLFetch(stmt);
        if (rc == SQL_NO_DATA)
            break;
        check(rc, SQL_HANDLE_STMT, stmt, "SQLFetch");
        std::vector<std::optional<std::string>> row;
        for (SQLUSMALLINT c = 1; c <= count; ++c)
            row.push_back(readValue(stmt, c));
        result.rows.push_back(std::move(row));
    }
    SQLRowCount(stmt, &result.rowCount);
    return result;
}

} // namespace

std::string freeTdsConnectionString(int port, const std::string& user, const std::string& password,
                                    const std::string& database, const std::string& tdsVersion) {
    return "DRIVER={FreeTDS};SERVER=127.0.0.1;PORT=" + std::to_string(port) + ";UID=" + user +
           ";PWD=" + password + ";DATABASE=" + database + ";TDS_Version=" + tdsVersion +
           ";ClientCharset=UTF-8";
}

OdbcConnection::OdbcConnection(const std::string& connectionString) {
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &m_env)))
        throw OdbcError("", 0, "SQLAllocHandle(ENV) failed");
    SQLSetEnvAttr(m_env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, m_env, &m_dbc))) {
        SQLFreeHandle(SQL_HANDLE_ENV, m_env);
        throw OdbcError("", 0, "SQLAllocHandle(DBC) failed");
    }
    SQLSetConnectAttr(m_dbc, SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(10), 0);
    SQLRETURN rc = SQLDriverConnect(
        m_dbc, nullptr, reinterpret_cast<SQLCHAR*>(const_cast<char*>(connectionString.c_str())),
        SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
    if (!SQL_SUCCEEDED(rc)) {
        OdbcError error = diagnose(SQL_HANDLE_DBC, m_dbc, "SQLDriverConnect");
        SQLFreeHandle(SQL_HANDLE_DBC, m_dbc);
        SQLFreeHandle(SQL_HANDLE_ENV, m_env);
        throw error;
    }
    m_connected = true;
}

OdbcConnection::~OdbcConnection() {
    if (m_connected)
        SQLDisconnect(m_dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, m_dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, m_env);
}

std::vector<OdbcResult> OdbcConnection::execute(const std::string& sql) {
    StatementHandle stmt(m_dbc);
    SQLRETURN rc = SQLExecDirect(
        stmt.handle, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())), SQL_NTS);
    std::vector<OdbcResult> results;
    if (rc == SQL_NO_DATA)
        return results;
    check(rc, SQL_HANDLE_STMT, stmt.handle, "SQLExecDirect");
    for (;;) {
        results.push_back(readResult(stmt.handle));
        rc = SQLMoreResults(stmt.handle);
        if (rc == SQL_NO_DATA)
            break;
        check(rc, SQL_HANDLE_STMT, stmt.handle, "SQLMoreResults");
    }
    return results;
}

std::string OdbcConnection::currentCatalog() const {
    char catalog[256] = {};
    SQLINTEGER length = 0;
    check(SQLGetConnectAttr(m_dbc, SQL_ATTR_CURRENT_CATALOG, catalog, sizeof catalog, &length),
          SQL_HANDLE_DBC, m_dbc, "SQLGetConnectAttr");
    return catalog;
}

std::vector<std::vector<std::optional<std::string>>>
OdbcConnection::fetchSomeThenClose(const std::string& sql, int rows) {
    StatementHandle stmt(m_dbc);
    check(SQLExecDirect(stmt.handle, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())),
                        SQL_NTS),
          SQL_HANDLE_STMT, stmt.handle, "SQLExecDirect");
    SQLSMALLINT count = 0;
    check(SQLNumResultCols(stmt.handle, &count), SQL_HANDLE_STMT, stmt.handle, "SQLNumResultCols");
    std::vector<std::vector<std::optional<std::string>>> fetched;
    for (int i = 0; i < rows; ++i) {
        check(SQLFetch(stmt.handle), SQL_HANDLE_STMT, stmt.handle, "SQLFetch");
        std::vector<std::optional<std::string>> row;
        for (SQLUSMALLINT c = 1; c <= count; ++c)
            row.push_back(readValue(stmt.handle, c));
        fetched.push_back(std::move(row));
    }
    check(SQLCloseCursor(stmt.handle), SQL_HANDLE_STMT, stmt.handle, "SQLCloseCursor");
    return fetched;
}

} // namespace testserver::test
