#pragma once

#include "connection.h"

#include <functional>

namespace dbc {

// A connection that passes every call on to another one and, after each
// call (answered or refused), runs `afterEach`: the window uses it to count
// executed statements and to repaint between queries of a long run.
class ProgressConnection : public Connection {
public:
    ProgressConnection(Connection& inner, std::function<void()> afterEach);

    Result open(const std::string& sql) override;
    void execute(const std::string& sql) override;

private:
    Connection& m_inner;
    std::function<void()> m_afterEach;
};

} // namespace dbc
