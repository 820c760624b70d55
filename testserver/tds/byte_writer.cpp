#include "testserver/tds/byte_writer.h"

#include "testserver/tds/protocol_error.h"
#include "testserver/tds/utf16le.h"

namespace testserver::tds {

void ByteWriter::u16(std::uint16_t v) {
    u8(static_cast<std::uint8_t>(v & 0xFF));
    u8(static_cast<std::uint8_t>(v >> 8));
}

void ByteWriter::u32(std::uint32_t v) {
    u16(static_cast<std::uint16_t>(v & 0xFFFF));
    u16(static_cast<std::uint16_t>(v >> 16));
}

void ByteWriter::u64(std::uint64_t v) {
    u32(static_cast<std::uint32_t>(v & 0xFFFFFFFFu));
    u32(static_cast<std::uint32_t>(v >> 32));
}

void ByteWriter::u16be(std::uint16_t v) {
    u8(static_cast<std::uint8_t>(v >> 8));
    u8(static_cast<std::uint8_t>(v & 0xFF));
}

void ByteWriter::u32be(std::uint32_t v) {
    u16be(static_cast<std::uint16_t>(v >> 16));
    u16be(static_cast<std::uint16_t>(v & 0xFFFF));
}

void ByteWriter::bVarchar(std::string_view utf8) {
    std::string text = truncateUtf16le(utf8ToUtf16le(utf8), 0xFF);
    u8(static_cast<std::uint8_t>(text.size() / 2));
    bytes(text);
}

void ByteWriter::usVarchar(std::string_view utf8, std::size_t maxUnits) {
    std::string text =
        truncateUtf16le(utf8ToUtf16le(utf8), std::min<std::size_t>(maxUnits, 0xFFFF));
    u16(static_cast<std::uint16_t>(text.size() / 2));
    bytes(text);
}

void ByteWriter::patchU16(std::size_t offset, std::uint16_t v) {
    m_bytes[offset] = static_cast<char>(v & 0xFF);
    m_bytes[offset + 1] = static_cast<char>(v >> 8);
}

void ByteReader::need(std::size_t count) const {
    if (count > remaining())
        throw ProtocolError(m_what + " is truncated");
}

std::uint8_t ByteReader::u8() {
    need(1);
    return static_cast<std::uint8_t>(m_data[m_pos++]);
}

std::uint16_t ByteReader::u16() {
    std::uint16_t low = u8();
    return static_cast<std::uint16_t>(low | (u8() << 8));
}

std::uint32_t ByteReader::u32() {
    std::uint32_t low = u16();
    return low | (static_cast<std::uint32_t>(u16()) << 16);
}

std::uint16_t ByteReader::u16be() {
    std::uint16_t high = u8();
    return static_cast<std::uint16_t>((high << 8) | u8());
}

std::uint32_t ByteReader::u32be() {
    std::uint32_t high = u16be();
    return (high << 16) | u16be();
}

std::string_view ByteReader::bytes(std::size_t count) {
    need(count);
    std::string_view result = m_data.substr(m_pos, count);
    m_pos += count;
    return result;
}

std::string_view ByteReader::slice(std::size_t offset, std::size_t count) const {
    if (offset > m_data.size() || count > m_data.size() - offset)
        throw ProtocolError(m_what + " points outside its data");
    return m_data.substr(offset, count);
}

} // namespace testserver::tds
