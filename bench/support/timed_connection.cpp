#include "timed_connection.h"

#include "stopwatch.h"

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
    ScopeTimer timer(m_ms);
    return m_inner.open(sql);
}

void TimedConnection::execute(const std::string& sql) {
    ScopeTimer timer(m_ms);
    m_inner.execute(sql);
}

} // namespace dbc::bench
