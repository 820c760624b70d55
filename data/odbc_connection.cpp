#include "data/odbc_connection.h"

#include "data/batched_replies.h"
#include "data/odbc_diagnostics.h"
#include "data/utf16.h"

#include <sqlucode.h>

#include <algorithm>
#include <vector>

namespace dbc {

namespace {

// Moves `stmt` to its next result. False when there is none.
bool nextResult(const OdbcHandle& stmt) {
    SQLRETURN rc = SQLMoreResults(stmt.get());
    if (rc == SQL_NO_DATA)
        return false;
    checkOdbc(rc, SQL_HANDLE_STMT, stmt.get(), "SQLMoreResults");
    return true;
}

SQLSMALLINT columnCount(const OdbcHandle& stmt) {
    SQLSMALLINT count = 0;
    checkOdbc(SQLNumResultCols(stmt.get(), &count), SQL_HANDLE_STMT, stmt.get(),
              "SQLNumResultCols");
    return count;
}

// The wide calls throughout: the connection is made with SQLDriverConnectW,
// after which unixODBC would convert narrow texts through Latin-1 and garble
// everything outside ASCII, Chinese names included.
std::string columnName(const OdbcHandle& stmt, SQLUSMALLINT column) {
    std::u16string name(256, u'\0');
    SQLSMALLINT length = 0;
    auto describe = [&] {
        checkOdbc(SQLDescribeColW(stmt.get(), column, reinterpret_cast<SQLWCHAR*>(name.data()),
                                  static_cast<SQLSMALLINT>(name.size()), &length, nullptr, nullptr,
                                  nullptr, nullptr),
                  SQL_HANDLE_STMT, stmt.get(), "SQLDescribeCol");
    };
    describe();
    if (length >= static_cast<SQLSMALLINT>(name.size())) {
        name.assign(static_cast<std::size_t>(length) + 1, '\0');
        describe();
    }
    name.resize(std::min<std::size_t>(static_cast<std::size_t>(length), name.size()));
    return utf16ToUtf8(name);
}

// Reads column `column` of the current row as text, in as many pieces as the
// driver needs. NULL reads as the empty text.
std::string readText(const OdbcHandle& stmt, SQLUSMALLINT column, std::vector<char16_t>& buffer) {
    std::u16string value;
    const auto bufferBytes = static_cast<SQLLEN>(buffer.size() * sizeof(char16_t));
    for (;;) {
        SQLLEN indicator = 0;
        SQLRETURN rc =
            SQLGetData(stmt.get(), column, SQL_C_WCHAR, buffer.data(), bufferBytes, &indicator);
        if (rc == SQL_NO_DATA)
            break;
        checkOdbc(rc, SQL_HANDLE_STMT, stmt.get(), "SQLGetData");
        if (indicator == SQL_NULL_DATA)
            return {};
        std::size_t room = buffer.size() - 1; // the driver ends each piece with a NUL
        std::size_t got = (indicator == SQL_NO_TOTAL ||
                           static_cast<std::size_t>(indicator) / sizeof(char16_t) > room)
                              ? room
                              : static_cast<std::size_t>(indicator) / sizeof(char16_t);
        value.append(buffer.data(), got);
        if (rc == SQL_SUCCESS)
            break;
        // SQL_SUCCESS_WITH_INFO: 01004 means more of the value follows.
        if (got < room)
            break;
    }
    return utf16ToUtf8(value);
}

SQLRETURN executeDirect(const OdbcHandle& stmt, const std::string& sql) {
    std::u16string text = utf8ToUtf16(sql);
    return SQLExecDirectW(stmt.get(), reinterpret_cast<SQLWCHAR*>(text.data()),
                          static_cast<SQLINTEGER>(text.size()));
}

// Fetches every row of the current result set, which has `columns` columns.
Result fetchAll(const OdbcHandle& stmt, SQLSMALLINT columns) {
    std::vector<std::string> names;
    names.reserve(static_cast<std::size_t>(columns));
    for (SQLUSMALLINT c = 1; c <= static_cast<SQLUSMALLINT>(columns); ++c)
        names.push_back(columnName(stmt, c));

    Result result(std::move(names), {});
    std::vector<char16_t> buffer(32 * 1024);
    for (;;) {
        SQLRETURN rc = SQLFetch(stmt.get());
        if (rc == SQL_NO_DATA)
            break;
        checkOdbc(rc, SQL_HANDLE_STMT, stmt.get(), "SQLFetch");
        Result::Row row;
        row.reserve(static_cast<std::size_t>(columns));
        for (SQLUSMALLINT c = 1; c <= static_cast<SQLUSMALLINT>(columns); ++c)
            row.push_back(readText(stmt, c, buffer));
        result.addRow(std::move(row));
    }
    return result;
}

} // namespace

OdbcConnection::OdbcConnection(const std::string& connectionString, int loginTimeoutSeconds) {
    SQLHANDLE env = SQL_NULL_HANDLE;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env)))
        throw DatabaseError("cannot allocate an ODBC environment");
    m_env = OdbcHandle(SQL_HANDLE_ENV, env);
    checkOdbc(
        SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0),
        SQL_HANDLE_ENV, env, "SQLSetEnvAttr");

    SQLHANDLE dbc = SQL_NULL_HANDLE;
    checkOdbc(SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc), SQL_HANDLE_ENV, env, "SQLAllocHandle");
    m_dbc = OdbcHandle(SQL_HANDLE_DBC, dbc);
    if (loginTimeoutSeconds > 0) {
        checkOdbc(SQLSetConnectAttr(
                      dbc, SQL_ATTR_LOGIN_TIMEOUT,
                      reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(loginTimeoutSeconds)), 0),
                  SQL_HANDLE_DBC, dbc, "SQLSetConnectAttr");
    }

    // The wide call: FreeTDS 1.3 reads the narrow connection string as
    // Latin-1 whatever ClientCharset says, so a user name, password or
    // database name outside ASCII would reach the server garbled.
    std::u16string text = utf8ToUtf16(connectionString);
    static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "unixODBC's SQLWCHAR is UTF-16");
    SQLRETURN rc = SQLDriverConnectW(dbc, nullptr, reinterpret_cast<SQLWCHAR*>(text.data()),
                                     static_cast<SQLSMALLINT>(text.size()), nullptr, 0, nullptr,
                                     SQL_DRIVER_NOPROMPT);
    checkOdbc(rc, SQL_HANDLE_DBC, dbc, "SQLDriverConnect");
    m_dbc.setConnected(true);
}

OdbcHandle OdbcConnection::newStatement() {
    SQLHANDLE handle = SQL_NULL_HANDLE;
    checkOdbc(SQLAllocHandle(SQL_HANDLE_STMT, m_dbc.get(), &handle), SQL_HANDLE_DBC, m_dbc.get(),
              "SQLAllocHandle");
    OdbcHandle stmt(SQL_HANDLE_STMT, handle);
    if (m_queryTimeoutSeconds > 0) {
        checkOdbc(SQLSetStmtAttr(
                      handle, SQL_ATTR_QUERY_TIMEOUT,
                      reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(m_queryTimeoutSeconds)), 0),
                  SQL_HANDLE_STMT, handle, "SQLSetStmtAttr");
    }
    return stmt;
}

OdbcHandle OdbcConnection::runStatement(const std::string& sql) {
    OdbcHandle stmt = newStatement();
    checkOdbc(executeDirect(stmt, sql), SQL_HANDLE_STMT, stmt.get(), "SQLExecDirect");
    return stmt;
}

bool OdbcConnection::connectionDead() const {
    SQLUINTEGER dead = SQL_CD_FALSE;
    SQLRETURN rc =
        SQLGetConnectAttr(m_dbc.get(), SQL_ATTR_CONNECTION_DEAD, &dead, SQL_IS_UINTEGER, nullptr);
    return SQL_SUCCEEDED(rc) && dead == SQL_CD_TRUE;
}

// FreeTDS reports the first request on a connection whose server has gone
// as a general error (HY000 "Unknown error"), and only the next one as a
// communication link failure: asking the driver tells the two apart at once.
DatabaseError OdbcConnection::classified(const DatabaseError& error) const {
    if (connectionLost(error) || !connectionDead())
        return error;
    std::string message = error.what();
    if (message == "Unknown error")
        message = "Communication link failure";
    return DatabaseError(message, "08S01", error.nativeError());
}

Result OdbcConnection::open(const std::string& sql) {
    try {
        return openFirstResult(sql);
    } catch (const DatabaseError& error) {
        throw classified(error);
    }
}

Result OdbcConnection::openFirstResult(const std::string& sql) {
    OdbcHandle stmt = runStatement(sql);

    // Row counts of statements before the first SELECT come as results
    // without columns: pass over them.
    SQLSMALLINT columns = columnCount(stmt);
    while (columns == 0) {
        if (!nextResult(stmt))
            throw DatabaseError(kNoResultSet);
        columns = columnCount(stmt);
    }
    Result result = fetchAll(stmt, columns);

    // Later results of the batch are read to their end so that an error in
    // them is reported rather than lost.
    while (nextResult(stmt)) {
    }
    return result;
}

std::vector<ResultOrError> OdbcConnection::openAll(const std::string& sql) {
    OdbcHandle stmt = newStatement();
    SQLHANDLE handle = stmt.get();
    SQLRETURN rc = executeDirect(stmt, sql);
    std::vector<ResultOrError> items;
    // A statement that fails leaves its error on the call that reached it;
    // the driver goes on with the next statement's results after it.
    for (;;) {
        if (rc == SQL_NO_DATA)
            break;
        if (!SQL_SUCCEEDED(rc)) {
            DatabaseError error = classified(makeOdbcError(readDiagnostics(SQL_HANDLE_STMT, handle),
                                                           "ODBC call SQLExecDirect failed"));
            // A function sequence error would come back on every call: the
            // results cannot be read on.
            if (connectionLost(error) || rc == SQL_INVALID_HANDLE || error.sqlState() == "HY010")
                throw error;
            items.emplace_back(std::move(error));
        } else if (SQLSMALLINT columns = columnCount(stmt); columns > 0) {
            try {
                items.emplace_back(fetchAll(stmt, columns));
            } catch (const DatabaseError& fetchError) {
                DatabaseError error = classified(fetchError);
                if (connectionLost(error))
                    throw error;
                items.emplace_back(std::move(error));
            }
        }
        rc = SQLMoreResults(handle);
    }
    return items;
}

void OdbcConnection::openEach(const std::vector<std::string>& statements,
                              const ReplyHandler& onReply) {
    openBatched(*this, statements, onReply);
}

void OdbcConnection::execute(const std::string& sql) {
    try {
        OdbcHandle stmt = runStatement(sql);
        while (nextResult(stmt)) {
        }
    } catch (const DatabaseError& error) {
        throw classified(error);
    }
}

} // namespace dbc
