#include "tests/testserver/raw_tds_client.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace testserver::test {

namespace {

void put16(std::string& out, std::uint16_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>(v >> 8));
}

void put32(std::string& out, std::uint32_t v) {
    put16(out, static_cast<std::uint16_t>(v & 0xFFFF));
    put16(out, static_cast<std::uint16_t>(v >> 16));
}

} // namespace

std::string toUtf16(const std::string& utf8) {
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        auto c = static_cast<unsigned char>(utf8[i]);
        char32_t cp = 0;
        std::size_t n = 1;
        if (c < 0x80) {
            cp = c;
        } else if (c < 0xE0) {
            cp = c & 0x1F;
            n = 2;
        } else if (c < 0xF0) {
            cp = c & 0x0F;
            n = 3;
        } else {
            cp = c & 0x07;
            n = 4;
        }
        for (std::size_t k = 1; k < n; ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        i += n;
        if (cp >= 0x10000) {
            put16(out, static_cast<std::uint16_t>(0xD800 + ((cp - 0x10000) >> 10)));
            put16(out, static_cast<std::uint16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        } else {
            put16(out, static_cast<std::uint16_t>(cp));
        }
    }
    return out;
}

std::string buildLogin7(const std::string& user, const std::string& password,
                        const std::string& database, std::uint32_t tdsVersion,
                        std::uint32_t packetSize) {
    std::string scrambled = toUtf16(password);
    for (char& c : scrambled) {
        auto b = static_cast<unsigned char>(c);
        c = static_cast<char>(static_cast<unsigned char>(((b << 4) | (b >> 4)) ^ 0xA5));
    }
    const std::vector<std::string> fields{
        toUtf16("testhost"),  toUtf16(user),        scrambled,
        toUtf16("rawclient"), toUtf16("127.0.0.1"), std::string(),
        toUtf16("raw"),       std::string(),        toUtf16(database)};
    const std::size_t fixed = 94;
    std::string body;
    std::string table;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        put16(table, static_cast<std::uint16_t>(fixed + body.size()));
        put16(table, static_cast<std::uint16_t>(fields[i].size() / 2));
        body += fields[i];
    }
    table += std::string(6, '\0'); // client id
    for (int i = 0; i < 3; ++i) {  // SSPI, attach file, change password
        put16(table, static_cast<std::uint16_t>(fixed + body.size()));
        put16(table, 0);
    }
    put32(table, 0); // long SSPI length
    std::string record;
    put32(record, static_cast<std::uint32_t>(36 + table.size() + body.size()));
    put32(record, tdsVersion);
    put32(record, packetSize);
    put32(record, 7);                             // client program version
    put32(record, 4242);                          // client process id
    put32(record, 0);                             // connection id
    record += std::string("\xE0\x03\x00\x00", 4); // option flags, type flags
    put32(record, 0);                             // time zone
    put32(record, 0x0409);                        // LCID
    record += table + body;
    return record;
}

RawTdsClient::RawTdsClient(int port) {
    m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (m_fd < 0 || ::connect(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        throw std::runtime_error("cannot connect to the test server");
}

RawTdsClient::~RawTdsClient() {
    close();
}

void RawTdsClient::close() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

void RawTdsClient::sendRaw(const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::send(m_fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n <= 0)
            throw std::runtime_error("sending to the test server failed");
        done += static_cast<std::size_t>(n);
    }
}

void RawTdsClient::sendPacket(std::uint8_t type, const std::string& data, bool last) {
    std::size_t length = data.size() + 8;
    std::string packet{static_cast<char>(type),
                       static_cast<char>(last ? 1 : 0),
                       static_cast<char>(length >> 8),
                       static_cast<char>(length & 0xFF),
                       0,
                       0,
                       1,
                       0};
    sendRaw(packet + data);
}

void RawTdsClient::readExact(char* buffer, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        ssize_t n = ::recv(m_fd, buffer + done, size - done, 0);
        if (n == 0)
            throw std::runtime_error("the test server closed the connection");
        if (n < 0 && errno != EINTR)
            throw std::runtime_error("reading from the test server failed");
        if (n > 0)
            done += static_cast<std::size_t>(n);
    }
}

RawTdsClient::Packet RawTdsClient::readPacket() {
    char header[8];
    readExact(header, sizeof header);
    Packet packet;
    packet.type = static_cast<std::uint8_t>(header[0]);
    packet.status = static_cast<std::uint8_t>(header[1]);
    std::size_t length = (static_cast<std::size_t>(static_cast<unsigned char>(header[2])) << 8) |
                         static_cast<unsigned char>(header[3]);
    packet.spid = static_cast<std::uint16_t>((static_cast<unsigned char>(header[4]) << 8) |
                                             static_cast<unsigned char>(header[5]));
    if (length < 8)
        throw std::runtime_error("bad packet length from the test server");
    packet.data.resize(length - 8);
    readExact(packet.data.data(), packet.data.size());
    return packet;
}

RawTdsClient::Response RawTdsClient::readResponse() {
    Response response;
    for (;;) {
        Packet packet = readPacket();
        response.payload += packet.data;
        bool last = (packet.status & 1) != 0;
        response.packets.push_back(std::move(packet));
        if (last)
            return response;
    }
}

RawTdsClient::Response RawTdsClient::login(const std::string& user, const std::string& password,
                                           const std::string& database, std::uint32_t tdsVersion,
                                           std::uint32_t packetSize) {
    m_tdsVersion = tdsVersion;
    // PRELOGIN: VERSION and ENCRYPTION (not supported), then the terminator.
    std::string prelogin;
    prelogin += std::string("\x00\x00\x0B\x00\x06", 5);
    prelogin += std::string("\x01\x00\x11\x00\x01", 5);
    prelogin += '\xFF';
    prelogin += std::string("\x01\x03\x00\x00\x00\x00", 6);
    prelogin += '\x02';
    sendPacket(0x12, prelogin, true);
    readResponse();

    sendPacket(0x10, buildLogin7(user, password, database, tdsVersion, packetSize), true);
    return readResponse();
}

void RawTdsClient::sendBatch(const std::string& sqlUtf8, std::size_t packetSize) {
    std::string payload;
    if (m_tdsVersion >= 0x72000000) {
        // ALL_HEADERS with one transaction descriptor header.
        put32(payload, 22);
        put32(payload, 18);
        put16(payload, 2);
        payload += std::string(8, '\0');
        put32(payload, 1);
    }
    payload += toUtf16(sqlUtf8);
    std::size_t room = packetSize - 8;
    for (std::size_t at = 0; at < payload.size(); at += room)
        sendPacket(0x01, payload.substr(at, room), at + room >= payload.size());
}

void RawTdsClient::sendAttention() {
    sendPacket(0x06, std::string(), true);
}

} // namespace testserver::test
