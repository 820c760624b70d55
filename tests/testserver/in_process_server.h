#pragma once

#include "testserver/tds/tds_server.h"

#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testserver::test {

// A TdsServer on a free 127.0.0.1 port, served from a thread of the test
// process and stopped when the object dies. The server's log lines are kept.
class InProcessServer {
public:
    // `traceRequests`: the server logs every request, as --verbose does.
    explicit InProcessServer(SessionProvider& provider, bool traceRequests = false)
        : m_server(provider, options(traceRequests)) {
        m_port = m_server.listen(0);
        m_thread = std::thread([this] { m_server.run(); });
    }
    ~InProcessServer() {
        m_server.stop();
        m_thread.join();
    }
    InProcessServer(const InProcessServer&) = delete;
    InProcessServer& operator=(const InProcessServer&) = delete;

    int port() const noexcept { return m_port; }
    std::vector<std::string> log() const {
        std::lock_guard<std::mutex> lock(m_logMutex);
        return m_log;
    }

private:
    tds::ServerOptions options(bool traceRequests) {
        tds::ServerOptions o;
        o.traceRequests = traceRequests;
        o.log = [this](const std::string& line) {
            std::lock_guard<std::mutex> lock(m_logMutex);
            m_log.push_back(line);
        };
        return o;
    }

    mutable std::mutex m_logMutex;
    std::vector<std::string> m_log;
    tds::TdsServer m_server;
    int m_port = 0;
    std::thread m_thread;
};

} // namespace testserver::test
