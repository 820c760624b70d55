#pragma once

#include "testserver/tds/socket.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace testserver::tds {

// One TDS message: the packets of one request joined, headers removed.
struct Message {
    std::uint8_t type = 0;
    std::string payload;
};

// Reads and writes TDS packets (8-byte header, then data) on one client
// socket. Outgoing messages are cut into packets of the negotiated size.
class PacketChannel {
public:
    PacketChannel(Socket& socket, std::uint16_t spid) : m_socket(socket), m_spid(spid) {}

    // Reads the packets of the next request up to the one marked end of
    // message. An attention packet ends a partly read request and is returned
    // as an empty Attention message. Throws ProtocolError for a malformed
    // header and ConnectionClosed when the client has gone.
    Message readMessage();

    // Sends one whole message.
    void sendMessage(std::uint8_t type, std::string_view payload);
    // Sends one packet of a message; `last` marks the end of the message.
    void sendPacket(std::uint8_t type, std::string_view data, bool last);

    // Checks, without waiting, whether the client has sent an attention
    // (cancel) while a response is being written; consumes it.
    bool attentionArrived();

    // Runs `hook` before the first packet of every outgoing message (the
    // server's response delay).
    void setBeforeEachMessage(std::function<void()> hook) { m_beforeEachMessage = std::move(hook); }

    void setPacketSize(std::uint32_t size) noexcept { m_packetSize = size; }
    std::uint32_t packetSize() const noexcept { return m_packetSize; }
    // The room for data in one outgoing packet.
    std::size_t packetDataSize() const noexcept;

private:
    struct Header {
        std::uint8_t type;
        std::uint8_t status;
        std::size_t dataLength;
    };
    Header readHeader();

    Socket& m_socket;
    std::uint16_t m_spid;
    std::uint32_t m_packetSize = 4096;
    std::uint8_t m_nextPacketId = 1;
    std::function<void()> m_beforeEachMessage;
    // Set between the first and the last packet of an outgoing message (the
    // packet number wraps around in a long one).
    bool m_midMessage = false;
};

} // namespace testserver::tds
