#pragma once

#include "data/connection.h"

#include <functional>
#include <memory>

namespace dbc {

// A connection that passes every call on to the one it holds and, after each
// call (answered or refused), runs `afterEach`: the window uses it to repaint
// between the queries and statements of a long run.
class ProgressConnection : public Connection {
public:
    ProgressConnection(std::unique_ptr<Connection> inner, std::function<void()> afterEach);

    Result open(const std::string& sql) override;
    void execute(const std::string& sql) override;

private:
    std::unique_ptr<Connection> m_inner;
    std::function<void()> m_afterEach;
};

} // namespace dbc
