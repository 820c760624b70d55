#pragma once

#include <stdexcept>
#include <string>

namespace dbc {

// A failure reported by a database driver, server or store. The message is the
// driver's or server's own text; the SQLSTATE and native error number travel
// beside it for callers that need to tell failures apart.
class DatabaseError : public std::runtime_error {
public:
    explicit DatabaseError(const std::string& message, std::string sqlState = {},
                           long nativeError = 0)
        : std::runtime_error(message), m_sqlState(std::move(sqlState)), m_nativeError(nativeError) {
    }

    const std::string& sqlState() const noexcept { return m_sqlState; }
    long nativeError() const noexcept { return m_nativeError; }

private:
    std::string m_sqlState;
    long m_nativeError;
};

} // namespace dbc
