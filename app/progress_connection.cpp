#include "app/progress_connection.h"

#include <utility>

namespace dbc {

namespace {

// Runs `after` when the scope ends, whether the call returned or threw.
class AfterCall {
public:
    explicit AfterCall(const std::function<void()>& after) : m_after(after) {}
    ~AfterCall() {
        if (m_after)
            m_after();
    }
    AfterCall(const AfterCall&) = delete;
    AfterCall& operator=(const AfterCall&) = delete;

private:
    const std::function<void()>& m_after;
};

} // namespace

ProgressConnection::ProgressConnection(std::unique_ptr<Connection> inner,
                                       std::function<void()> afterEach,
                                       std::function<void()> beforeEach)
    : m_inner(std::move(inner)), m_afterEach(std::move(afterEach)),
      m_beforeEach(std::move(beforeEach)) {}

Result ProgressConnection::open(const std::string& sql) {
    if (m_beforeEach)
        m_beforeEach();
    AfterCall after(m_afterEach);
    return m_inner->open(sql);
}

void ProgressConnection::execute(const std::string& sql) {
    if (m_beforeEach)
        m_beforeEach();
    AfterCall after(m_afterEach);
    m_inner->execute(sql);
}

} // namespace dbc
