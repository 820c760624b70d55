#pragma once

#include "data/connection.h"

#include <functional>
#include <memory>

namespace dbc {

// A connection that passes every call on to the one it holds, running
// `beforeEach` before each call (it may throw, e.g. OperationStopped, so that
// the call is not made) and `afterEach` after it (answered or refused): the
// window uses them to stop and to repaint between the queries and
// statements of a long run.
class ProgressConnection : public Connection {
public:
    ProgressConnection(std::unique_ptr<Connection> inner, std::function<void()> afterEach,
                       std::function<void()> beforeEach = {});

    Result open(const std::string& sql) override;
    void execute(const std::string& sql) override;

private:
    std::unique_ptr<Connection> m_inner;
    std::function<void()> m_afterEach;
    std::function<void()> m_beforeEach;
};

} // namespace dbc
