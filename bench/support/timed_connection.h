#pragma once

#include "connection.h"

#include <string>
#include <vector>

namespace dbc::bench {

// Passes every call on to another connection and adds up the wall-clock time
// spent in them, so that a run's time splits into fetching and everything else.
class TimedConnection : public Connection {
public:
    explicit TimedConnection(Connection& inner) : m_inner(inner) {}

    Result open(const std::string& sql) override;
    void execute(const std::string& sql) override;
    void openEach(const std::vector<std::string>& statements, const ReplyHandler& onReply) override;
    std::vector<ResultOrError> openAll(const std::string& sql) override;

    double elapsedMs() const noexcept { return m_ms; }

private:
    Connection& m_inner;
    double m_ms = 0;
};

} // namespace dbc::bench
