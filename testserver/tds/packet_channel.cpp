#include "testserver/tds/packet_channel.h"

#include "testserver/tds/protocol_error.h"
#include "testserver/tds/tds_constants.h"

#include <array>

namespace testserver::tds {

namespace {

// A request larger than this is refused rather than buffered: the largest
// statement a client of this server sends is a procedure text of a few
// hundred kilobytes.
constexpr std::size_t kMaxRequestSize = 64 * 1024 * 1024;

// The packet types a client may send; anything else (an HTTP request, a
// scanner's probe) is not TDS and ends the connection at once instead of
// waiting for a body that will never come.
bool isClientPacketType(std::uint8_t type) {
    switch (type) {
    case tds::SqlBatch:
    case tds::Rpc:
    case tds::Attention:
    case tds::BulkLoad:
    case tds::TransactionManager:
    case tds::Login7:
    case tds::Sspi:
    case tds::PreLogin:
        return true;
    default:
        return false;
    }
}

} // namespace

PacketChannel::Header PacketChannel::readHeader() {
    std::array<char, tds::kHeaderSize> raw{};
    m_socket.readExact(raw.data(), raw.size());
    auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(raw[i]); };
    if (!isClientPacketType(byte(0)))
        throw ProtocolError("packet type " + std::to_string(byte(0)) + " is not a TDS request");
    std::size_t length = (static_cast<std::size_t>(byte(2)) << 8) | byte(3);
    if (length < tds::kHeaderSize)
        throw ProtocolError("packet length " + std::to_string(length) + " is out of range");
    return Header{byte(0), byte(1), length - tds::kHeaderSize};
}

Message PacketChannel::readMessage() {
    Message message;
    bool first = true;
    for (;;) {
        Header header = readHeader();
        std::string data(header.dataLength, '\0');
        m_socket.readExact(data.data(), data.size());
        if (header.type == tds::Attention)
            return Message{tds::Attention, {}};
        if (first) {
            message.type = header.type;
            first = false;
        } else if (header.type != message.type) {
            throw ProtocolError("packet type changed within one message");
        }
        if (message.payload.size() + data.size() > kMaxRequestSize)
            throw ProtocolError("request larger than " + std::to_string(kMaxRequestSize) +
                                " bytes");
        message.payload += data;
        if (header.status & tds::EndOfMessage)
            return message;
    }
}

std::size_t PacketChannel::packetDataSize() const noexcept {
    return m_packetSize - tds::kHeaderSize;
}

void PacketChannel::sendPacket(std::uint8_t type, std::string_view data, bool last) {
    if (!m_midMessage && m_beforeEachMessage)
        m_beforeEachMessage();
    m_midMessage = !last;
    std::size_t length = data.size() + tds::kHeaderSize;
    std::string packet;
    packet.reserve(length);
    packet.push_back(static_cast<char>(type));
    packet.push_back(static_cast<char>(last ? tds::EndOfMessage : 0));
    packet.push_back(static_cast<char>((length >> 8) & 0xFF));
    packet.push_back(static_cast<char>(length & 0xFF));
    packet.push_back(static_cast<char>(m_spid >> 8));
    packet.push_back(static_cast<char>(m_spid & 0xFF));
    packet.push_back(static_cast<char>(m_nextPacketId));
    packet.push_back('\0');
    packet.append(data);
    m_socket.writeAll(packet);
    m_nextPacketId = last ? 1 : static_cast<std::uint8_t>(m_nextPacketId + 1);
}

void PacketChannel::sendMessage(std::uint8_t type, std::string_view payload) {
    std::size_t room = packetDataSize();
    do {
        std::string_view chunk = payload.substr(0, room);
        payload.remove_prefix(chunk.size());
        sendPacket(type, chunk, payload.empty());
    } while (!payload.empty());
}

bool PacketChannel::attentionArrived() {
    if (!m_socket.readable(0))
        return false;
    Header header = readHeader();
    std::string data(header.dataLength, '\0');
    m_socket.readExact(data.data(), data.size());
    if (header.type != tds::Attention)
        throw ProtocolError("the client sent a new request before the response ended");
    return true;
}

} // namespace testserver::tds
