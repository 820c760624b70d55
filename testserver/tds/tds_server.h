#pragma once

#include "testserver/engine/engine.h"
#include "testserver/tds/server_options.h"
#include "testserver/tds/socket.h"

#include <atomic>
#include <cstdint>
#include <list>
#include <memory>
#include <thread>

namespace testserver::tds {

// Accepts TDS clients on 127.0.0.1 and serves each on its own thread with a
// session from the SessionProvider. One client's failure ends only that
// client's connection.
class TdsServer {
public:
    TdsServer(SessionProvider& provider, ServerOptions options);
    ~TdsServer();
    TdsServer(const TdsServer&) = delete;
    TdsServer& operator=(const TdsServer&) = delete;

    // Binds 127.0.0.1:`port` (0 picks a free port) and returns the port.
    // Throws std::runtime_error with the system's message.
    std::uint16_t listen(std::uint16_t port);

    // Accepts clients until stop(); then ends every client connection, waits
    // for the client threads and returns.
    void run();

    // Makes run() return; callable from any thread, once or more.
    void stop() noexcept;

private:
    struct Client {
        Socket socket;
        std::thread thread;
        std::atomic<bool> finished{false};
    };

    void accept();
    void serve(Client& client, std::uint16_t spid);
    void reapFinished();
    void log(const std::string& line) const;

    SessionProvider& m_provider;
    ServerOptions m_options;
    Socket m_listener;
    Socket m_stopRead;
    Socket m_stopWrite;
    std::list<std::unique_ptr<Client>> m_clients;
    std::uint16_t m_nextSpid = 51;
};

} // namespace testserver::tds
