#pragma once

#include <sql.h>
#include <sqlext.h>

namespace dbc {

// Owns one ODBC handle (environment, connection or statement) and frees it
// when it goes out of scope. A connection handle is disconnected first.
class OdbcHandle {
public:
    OdbcHandle() = default;
    OdbcHandle(SQLSMALLINT type, SQLHANDLE handle) noexcept : m_type(type), m_handle(handle) {}
    ~OdbcHandle() { reset(); }

    OdbcHandle(const OdbcHandle&) = delete;
    OdbcHandle& operator=(const OdbcHandle&) = delete;
    OdbcHandle(OdbcHandle&& other) noexcept : m_type(other.m_type), m_handle(other.m_handle) {
        other.m_handle = SQL_NULL_HANDLE;
    }
    OdbcHandle& operator=(OdbcHandle&& other) noexcept {
        if (this != &other) {
            reset();
            m_type = other.m_type;
            m_handle = other.m_handle;
            other.m_handle = SQL_NULL_HANDLE;
        }
        return *this;
    }

    SQLHANDLE get() const noexcept { return m_handle; }
    SQLSMALLINT type() const noexcept { return m_type; }

    // Marks a connection handle as connected, so that reset() disconnects it.
    void setConnected(bool connected) noexcept { m_connected = connected; }

    void reset() noexcept {
        if (m_handle == SQL_NULL_HANDLE)
            return;
        if (m_type == SQL_HANDLE_DBC && m_connected)
            SQLDisconnect(m_handle);
        SQLFreeHandle(m_type, m_handle);
        m_handle = SQL_NULL_HANDLE;
        m_connected = false;
    }

private:
    SQLSMALLINT m_type = 0;
    SQLHANDLE m_handle = SQL_NULL_HANDLE;
    bool m_connected = false;
};

} // namespace dbc
