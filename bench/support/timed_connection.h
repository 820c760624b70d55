#pragma once

#include "data/connection.h"

#include <cstddef>
#include <string>
#include <vector>

namespace dbc::bench {

// How a list of per-object statements travels.
enum class Requests {
    Batched,       // grouped as the program's server connection groups them
    OneByStatement // one request per statement, the per-object method
};

// Passes every call on to another connection, adds up the wall-clock time
// spent in them, so that a run's time splits into fetching and everything
// else, and counts the requests sent (each one round trip to the server).
class TimedConnection : public Connection {
public:
    explicit TimedConnection(Connection& inner, Requests requests = Requests::Batched)
        : m_inner(inner), m_requests(requests) {}

    Result open(const std::string& sql) override;
    void execute(const std::string& sql) override;
    // The statements go through this connection's own open() or openAll(),
    // so that each request is timed and counted; the caller's work on each
    // reply (the capture's store writes) is not timed.
    void openEach(const std::vector<std::string>& statements, const ReplyHandler& onReply) override;
    std::vector<ResultOrError> openAll(const std::string& sql) override;

    double elapsedMs() const noexcept { return m_ms; }
    std::size_t requestCount() const noexcept { return m_count; }

private:
    Connection& m_inner;
    Requests m_requests;
    double m_ms = 0;
    std::size_t m_count = 0;
};

} // namespace dbc::bench
