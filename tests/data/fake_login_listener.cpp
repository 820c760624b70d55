#include "tests/data/fake_login_listener.h"

#include "data/utf16.h"

#include <arpa/inet.h>
#include <chrono>
#include <cstdint>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace dbc::test {

namespace {

constexpr std::uint8_t kPreloginType = 0x12;
constexpr std::uint8_t kLoginType = 0x10;
constexpr std::uint8_t kResponseType = 0x04;

class Socket {
public:
    explicit Socket(int fd) : m_fd(fd) {}
    ~Socket() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int get() const noexcept { return m_fd; }

private:
    int m_fd;
};

void readExactly(int fd, std::uint8_t* data, std::size_t size) {
    std::size_t got = 0;
    while (got < size) {
        pollfd pfd{fd, POLLIN, 0};
        if (::poll(&pfd, 1, 10000) <= 0)
            throw std::runtime_error("the client sent nothing");
        ssize_t n = ::recv(fd, data + got, size - got, 0);
        if (n <= 0)
            throw std::runtime_error("the client hung up");
        got += static_cast<std::size_t>(n);
    }
}

// One whole message (all packets up to end of message): its type and data.
std::pair<std::uint8_t, std::vector<std::uint8_t>> readMessage(int fd) {
    std::vector<std::uint8_t> data;
    for (;;) {
        std::uint8_t header[8];
        readExactly(fd, header, sizeof header);
        std::size_t length = (std::size_t(header[2]) << 8) | header[3];
        if (length < 8)
            throw std::runtime_error("bad packet length");
        std::size_t start = data.size();
        data.resize(start + length - 8);
        readExactly(fd, data.data() + start, length - 8);
        if (header[1] & 0x01)
            return {header[0], data};
    }
}

// The ENCRYPTION option's byte in a PRELOGIN message's option table, -1
// when the message has none.
int encryptionOption(const std::vector<std::uint8_t>& prelogin) {
    for (std::size_t at = 0; at + 5 <= prelogin.size() && prelogin[at] != 0xff; at += 5) {
        std::size_t offset = (std::size_t(prelogin[at + 1]) << 8) | prelogin[at + 2];
        std::size_t length = (std::size_t(prelogin[at + 3]) << 8) | prelogin[at + 4];
        if (prelogin[at] == 0x01 && length >= 1 && offset < prelogin.size())
            return prelogin[offset];
    }
    return -1;
}

void sendPreloginResponse(int fd) {
    // VERSION (offset 11, 6 bytes), ENCRYPTION (offset 17, 1 byte:
    // ENCRYPT_NOT_SUP), terminator; then the option data.
    const std::vector<std::uint8_t> body = {0, 0,    11, 0, 6, 1, 0, 17, 0,
                                            1, 0xff, 8,  0, 0, 0, 0, 0,  2};
    std::vector<std::uint8_t> packet = {kResponseType, 0x01, 0, 0, 0, 0, 1, 0};
    std::size_t length = packet.size() + body.size();
    packet[2] = static_cast<std::uint8_t>(length >> 8);
    packet[3] = static_cast<std::uint8_t>(length & 0xff);
    packet.insert(packet.end(), body.begin(), body.end());
    if (::send(fd, packet.data(), packet.size(), MSG_NOSIGNAL) != ssize_t(packet.size()))
        throw std::runtime_error("cannot answer PRELOGIN");
}

// The UTF-16LE text whose offset and length (in characters) stand at
// `at` in the Login7 record; `password` undoes the password's scrambling
// (each byte had its nibbles swapped and was then XORed with 0xA5).
std::string loginText(const std::vector<std::uint8_t>& login, std::size_t at, bool password) {
    if (at + 4 > login.size())
        throw std::runtime_error("Login7 record too short");
    std::size_t offset = login[at] | (std::size_t(login[at + 1]) << 8);
    std::size_t chars = login[at + 2] | (std::size_t(login[at + 3]) << 8);
    if (offset + 2 * chars > login.size())
        throw std::runtime_error("Login7 field out of range");
    std::u16string units;
    for (std::size_t i = 0; i < chars; ++i) {
        std::uint8_t lo = login[offset + 2 * i];
        std::uint8_t hi = login[offset + 2 * i + 1];
        if (password) {
            auto unscramble = [](std::uint8_t b) {
                b = static_cast<std::uint8_t>(b ^ 0xA5);
                return static_cast<std::uint8_t>((b >> 4) | (b << 4));
            };
            lo = unscramble(lo);
            hi = unscramble(hi);
        }
        units.push_back(static_cast<char16_t>(lo | (hi << 8)));
    }
    return dbc::utf16ToUtf8(units);
}

} // namespace

FakeLoginListener::FakeLoginListener() : m_future(m_promise.get_future()) {
    m_socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_socket < 0)
        throw std::runtime_error("socket failed");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (::bind(m_socket, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        ::listen(m_socket, 4) != 0 ||
        ::getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        ::close(m_socket);
        throw std::runtime_error("cannot listen on 127.0.0.1");
    }
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { serve(); });
}

FakeLoginListener::~FakeLoginListener() {
    ::shutdown(m_socket, SHUT_RDWR);
    m_thread.join();
    ::close(m_socket);
}

void FakeLoginListener::serve() {
    try {
        pollfd pfd{m_socket, POLLIN, 0};
        if (::poll(&pfd, 1, 15000) <= 0 || !(pfd.revents & POLLIN))
            throw std::runtime_error("no client connected");
        Socket client(::accept4(m_socket, nullptr, nullptr, SOCK_CLOEXEC));
        if (client.get() < 0)
            throw std::runtime_error("accept failed");
        auto message = readMessage(client.get());
        if (message.first == kPreloginType) {
            m_preloginEncryption = encryptionOption(message.second);
            sendPreloginResponse(client.get());
            message = readMessage(client.get());
        }
        if (message.first != kLoginType)
            throw std::runtime_error("the client sent no Login7 record");
        const auto& login = message.second;
        LoginRecord record;
        record.hostName = loginText(login, 36, false);
        record.userName = loginText(login, 40, false);
        record.password = loginText(login, 44, true);
        record.serverName = loginText(login, 52, false);
        record.database = loginText(login, 68, false);
        m_promise.set_value(std::move(record));
    } catch (...) {
        m_promise.set_exception(std::current_exception());
    }
}

LoginRecord FakeLoginListener::login() {
    if (m_future.wait_for(std::chrono::seconds(20)) != std::future_status::ready)
        throw std::runtime_error("no login arrived");
    return m_future.get();
}

} // namespace dbc::test
