#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testserver::test {

// A TDS client written from the published packet layouts, independent of the
// server's own code, for what ODBC and tsql cannot do on purpose: tiny
// packets, a cancel at a chosen moment, a connection dropped mid-result,
// malformed input.
class RawTdsClient {
public:
    explicit RawTdsClient(int port);
    ~RawTdsClient();
    RawTdsClient(const RawTdsClient&) = delete;
    RawTdsClient& operator=(const RawTdsClient&) = delete;

    struct Packet {
        std::uint8_t type = 0;
        std::uint8_t status = 0;
        std::uint16_t spid = 0;
        std::string data;
    };
    struct Response {
        std::vector<Packet> packets;
        std::string payload; // the packets' data joined
    };

    // PRELOGIN, then LOGIN7 asking for `packetSize`; returns the login
    // response. `tdsVersion` as LOGIN7 carries it (0x71000001, 0x74000004).
    Response login(const std::string& user, const std::string& password,
                   const std::string& database, std::uint32_t tdsVersion,
                   std::uint32_t packetSize = 4096);

    // Sends a SQL batch cut into packets of `packetSize` bytes (headers
    // included); ALL_HEADERS is added for TDS 7.2 and later.
    void sendBatch(const std::string& sqlUtf8, std::size_t packetSize = 4096);
    void sendAttention();
    void sendRaw(const std::string& bytes);
    void sendPacket(std::uint8_t type, const std::string& data, bool last);

    // Reads packets up to the one marked end of message.
    Response readResponse();
    // Reads one packet.
    Packet readPacket();

    // Closes the socket at once.
    void close();

private:
    void readExact(char* buffer, std::size_t size);

    int m_fd = -1;
    std::uint32_t m_tdsVersion = 0x74000004;
};

// A LOGIN7 record (MS-TDS 2.2.6.4) with host "testhost", application
// "rawclient", server "127.0.0.1" and library "raw"; the password scrambled
// as the protocol requires.
std::string buildLogin7(const std::string& user, const std::string& password,
                        const std::string& database, std::uint32_t tdsVersion,
                        std::uint32_t packetSize);

// UTF-16LE of ASCII or UTF-8 text, written independently of the server's.
std::string toUtf16(const std::string& utf8);

} // namespace testserver::test
