#pragma once

#include <stdexcept>
#include <string>

namespace dbc {

// A failure reported by a database driver, server or store. The message is the
// driver's or server's own text; the SQLSTATE and native error number travel
// beside it for callers that need to tell failures apart.
class DatabaseError : public std::runtime_error {
public:
    // SQL Server's error for a database that does not exist.
    static constexpr long kNoSuchDatabase = 911;

    explicit DatabaseError(const std::string& message, std::string sqlState = {},
                           long nativeError = 0)
        : std::runtime_error(message), m_sqlState(std::move(sqlState)), m_nativeError(nativeError) {
    }

    const std::string& sqlState() const noexcept { return m_sqlState; }
    long nativeError() const noexcept { return m_nativeError; }

    // The connection itself is gone (SQLSTATE class 08: the server died,
    // the network dropped): nothing more can be sent over it.
    // A `use` of a database that does not exist (error 911) comes with
    // SQLSTATE 08004 from some drivers although the connection holds: the
    // statement was refused, nothing was lost.
    bool connectionLost() const noexcept {
        return m_sqlState.rfind("08", 0) == 0 && m_nativeError != kNoSuchDatabase;
    }
    // The server did not answer within the query or login timeout.
    bool timedOut() const noexcept { return m_sqlState == "HYT00" || m_sqlState == "HYT01"; }

private:
    std::string m_sqlState;
    long m_nativeError;
};

// The user asked a running step to stop (Ctrl-C, the window's cancel); it
// stopped at a point where nothing was left half done.
class OperationStopped : public std::runtime_error {
public:
    OperationStopped() : std::runtime_error("stopped on request") {}
};

} // namespace dbc
