#include "testserver/tds/tds_server.h"

#include "testserver/tds/client_connection.h"
#include "testserver/tds/protocol_error.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <system_error>
#include <unistd.h>

namespace testserver::tds {

namespace {

std::runtime_error systemError(const std::string& what) {
    return std::runtime_error(what + ": " + std::strerror(errno));
}

// How often run() wakes to release the threads of clients that have left.
constexpr int kReapIntervalMs = 1000;

} // namespace

TdsServer::TdsServer(SessionProvider& provider, ServerOptions options)
    : m_provider(provider), m_options(std::move(options)) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
        throw systemError("cannot create the stop pipe");
    m_stopRead = Socket(fds[0]);
    m_stopWrite = Socket(fds[1]);
}

TdsServer::~TdsServer() {
    for (auto& client : m_clients)
        client->socket.shutdownBoth();
    for (auto& client : m_clients)
        if (client->thread.joinable())
            client->thread.join();
}

void TdsServer::log(const std::string& line) const {
    if (m_options.log)
        m_options.log(line);
}

std::uint16_t TdsServer::listen(std::uint16_t port) {
    Socket listener(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!listener.valid())
        throw systemError("cannot create a socket");
    int on = 1;
    ::setsockopt(listener.fd(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(listener.fd(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        throw systemError("cannot listen on 127.0.0.1:" + std::to_string(port));
    if (::listen(listener.fd(), 64) != 0)
        throw systemError("cannot listen on 127.0.0.1:" + std::to_string(port));
    socklen_t length = sizeof address;
    if (::getsockname(listener.fd(), reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw systemError("cannot read the listening port");
    m_listener = std::move(listener);
    return ntohs(address.sin_port);
}

void TdsServer::stop() noexcept {
    char byte = 1;
    // A full pipe already holds a stop request; nothing else can fail here.
    [[maybe_unused]] ssize_t ignored = ::write(m_stopWrite.fd(), &byte, 1);
}

void TdsServer::run() {
    if (!m_listener.valid())
        throw std::logic_error("TdsServer::run() before listen()");
    for (;;) {
        pollfd fds[2] = {{m_listener.fd(), POLLIN, 0}, {m_stopRead.fd(), POLLIN, 0}};
        int n = ::poll(fds, 2, kReapIntervalMs);
        if (n < 0 && errno != EINTR)
            throw systemError("waiting for clients failed");
        reapFinished();
        if (n > 0 && fds[1].revents != 0)
            break;
        if (n > 0 && fds[0].revents != 0)
            accept();
    }
    m_listener = Socket();
    for (auto& client : m_clients)
        client->socket.shutdownBoth();
    for (auto& client : m_clients)
        if (client->thread.joinable())
            client->thread.join();
    m_clients.clear();
}

void TdsServer::accept() {
    Socket socket(::accept4(m_listener.fd(), nullptr, nullptr, SOCK_CLOEXEC));
    if (!socket.valid()) {
        // A client that gave up before it was accepted, or a shortage of
        // descriptors: the next poll tries again.
        if (errno != EAGAIN && errno != EINTR && errno != ECONNABORTED)
            log(std::string("accepting a client failed: ") + std::strerror(errno));
        if (errno == EMFILE || errno == ENFILE)
            ::usleep(100 * 1000);
        return;
    }
    // A response goes out as one write per packet; without TCP_NODELAY every
    // answer longer than a packet would wait for the client's delayed
    // acknowledgement (about 40 ms), as SQL Server's own sockets do not.
    int on = 1;
    ::setsockopt(socket.fd(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    auto client = std::make_unique<Client>();
    client->socket = std::move(socket);
    std::uint16_t spid = m_nextSpid;
    m_nextSpid = m_nextSpid == 0xFFFF ? 51 : static_cast<std::uint16_t>(m_nextSpid + 1);
    Client& ref = *client;
    m_clients.push_back(std::move(client));
    try {
        ref.thread = std::thread([this, &ref, spid] { serve(ref, spid); });
    } catch (const std::system_error& e) {
        log(std::string("cannot start a client thread: ") + e.what());
        m_clients.pop_back();
    }
}

void TdsServer::serve(Client& client, std::uint16_t spid) {
    try {
        ClientConnection connection(client.socket, m_provider, m_options, spid);
        connection.run();
    } catch (const ConnectionClosed&) {
        // The client left; nothing to report.
    } catch (const std::exception& e) {
        log("client " + std::to_string(spid) + ": " + e.what());
    }
    client.socket.shutdownBoth();
    client.finished = true;
}

void TdsServer::reapFinished() {
    for (auto it = m_clients.begin(); it != m_clients.end();) {
        if ((*it)->finished) {
            (*it)->thread.join();
            it = m_clients.erase(it);
        } else {
            ++it;
        }
    }
}

} // namespace testserver::tds
