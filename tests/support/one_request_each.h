#pragma once

#include "data/connection.h"

namespace dbc::test {

// Passes every call on to another connection, except that a list of
// statements goes one request per statement (the connection's default)
// instead of batched: the per-object method, for comparing the two.
class OneRequestEach : public Connection {
public:
    explicit OneRequestEach(Connection& inner) : m_inner(inner) {}

    Result open(const std::string& sql) override { return m_inner.open(sql); }
    void execute(const std::string& sql) override { m_inner.execute(sql); }

private:
    Connection& m_inner;
};

} // namespace dbc::test
