#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace testserver::tds {

// Owns a file descriptor (a TCP socket or a pipe end) and closes it once.
class Socket {
public:
    Socket() = default;
    explicit Socket(int fd) noexcept : m_fd(fd) {}
    ~Socket();
    Socket(Socket&& other) noexcept : m_fd(other.release()) {}
    Socket& operator=(Socket&& other) noexcept;
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

    int fd() const noexcept { return m_fd; }
    bool valid() const noexcept { return m_fd >= 0; }
    int release() noexcept;

    // Reads exactly `size` bytes; throws ConnectionClosed on end of stream or
    // a socket error.
    void readExact(char* buffer, std::size_t size);
    // Writes all bytes without raising SIGPIPE; throws ConnectionClosed when
    // the peer has gone.
    void writeAll(std::string_view data);
    // True when a read would not block (data, end of stream or an error).
    bool readable(int timeoutMs) const;
    // Ends both directions so that a thread blocked on this socket wakes up;
    // the descriptor stays open until the object dies.
    void shutdownBoth() noexcept;

private:
    int m_fd = -1;
};

} // namespace testserver::tds
