#include "bench/support/timed_connection.h"

#include "bench/support/stopwatch.h"
#include "data/batched_replies.h"

namespace dbc::bench {

namespace {

// Adds the time until the end of the scope, also when the call throws.
class ScopeTimer {
public:
    explicit ScopeTimer(double& total) : m_total(total) {}
    ~ScopeTimer() { m_total += m_watch.elapsedMs(); }
    ScopeTimer(const ScopeTimer&) = delete;
    ScopeTimer& operator=(const ScopeTimer&) = delete;

private:
    double& m_total;
    Stopwatch m_watch;
};

} // namespace

Result TimedConnection::open(const std::string& sql) {
    ++m_count;
    ScopeTimer timer(m_ms);
    return m_inner.open(sql);
}

void TimedConnection::execute(const std::string& sql) {
    ++m_count;
    ScopeTimer timer(m_ms);
    m_inner.execute(sql);
}

void TimedConnection::openEach(const std::vector<std::string>& statements,
                               const ReplyHandler& onReply) {
    if (m_requests == Requests::Batched)
        openBatched(*this, statements, onReply);
    else
        Connection::openEach(statements, onReply);
}

std::vector<ResultOrError> TimedConnection::openAll(const std::string& sql) {
    ++m_count;
    ScopeTimer timer(m_ms);
    return m_inner.openAll(sql);
}

} // namespace dbc::bench
