#include "testserver/tds/socket.h"

#include "testserver/tds/protocol_error.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace testserver::tds {

Socket::~Socket() {
    if (m_fd >= 0)
        ::close(m_fd);
}

Socket& Socket::operator=(Socket&& other) noexcept {
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = other.release();
    }
    return *this;
}

int Socket::release() noexcept {
    int fd = m_fd;
    m_fd = -1;
    return fd;
}

void Socket::readExact(char* buffer, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        ssize_t n = ::recv(m_fd, buffer + done, size - done, 0);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n == 0) {
            throw ConnectionClosed("the client closed the connection");
        } else if (errno != EINTR) {
            throw ConnectionClosed(std::string("reading from the client failed: ") +
                                   std::strerror(errno));
        }
    }
}

void Socket::writeAll(std::string_view data) {
    std::size_t done = 0;
    while (done < data.size()) {
        ssize_t n = ::send(m_fd, data.data() + done, data.size() - done, MSG_NOSIGNAL);
        if (n >= 0) {
            done += static_cast<std::size_t>(n);
        } else if (errno != EINTR) {
            throw ConnectionClosed(std::string("writing to the client failed: ") +
                                   std::strerror(errno));
        }
    }
}

bool Socket::readable(int timeoutMs) const {
    pollfd pfd{m_fd, POLLIN, 0};
    for (;;) {
        int n = ::poll(&pfd, 1, timeoutMs);
        if (n >= 0)
            return n > 0;
        if (errno != EINTR)
            return true; // let the following read report the failure
    }
}

void Socket::shutdownBoth() noexcept {
    if (m_fd >= 0)
        ::shutdown(m_fd, SHUT_RDWR);
}

} // namespace testserver::tds
