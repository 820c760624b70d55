#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace testserver::tds {

// Appends TDS wire values to a byte string. Integers are little-endian unless
// the name says otherwise; text is given in UTF-8 and written as UTF-16LE.
class ByteWriter {
public:
    void u8(std::uint8_t v) { m_bytes.push_back(static_cast<char>(v)); }
    void u16(std::uint16_t v);
    void u32(std::uint32_t v);
    void u64(std::uint64_t v);
    void u16be(std::uint16_t v);
    void u32be(std::uint32_t v);
    void bytes(std::string_view raw) { m_bytes.append(raw); }

    // B_VARCHAR: a one-byte length in characters, then UTF-16LE. Text longer
    // than 255 UTF-16 units is cut there (whole surrogate pairs only).
    void bVarchar(std::string_view utf8);
    // US_VARCHAR: a two-byte length in characters, then UTF-16LE; cut at
    // `maxUnits` code units.
    void usVarchar(std::string_view utf8, std::size_t maxUnits = 0xFFFF);

    // Overwrites a two-byte little-endian value written earlier at `offset`.
    void patchU16(std::size_t offset, std::uint16_t v);

    std::size_t size() const noexcept { return m_bytes.size(); }
    const std::string& data() const noexcept { return m_bytes; }
    std::string take() { return std::move(m_bytes); }
    void clear() { m_bytes.clear(); }
    void erasePrefix(std::size_t count) { m_bytes.erase(0, count); }

private:
    std::string m_bytes;
};

// Reads TDS wire values from a byte string; any read past the end throws
// ProtocolError naming `what`.
class ByteReader {
public:
    ByteReader(std::string_view data, std::string what) : m_data(data), m_what(std::move(what)) {}

    std::uint8_t u8();
    std::uint16_t u16();
    std::uint32_t u32();
    std::uint16_t u16be();
    std::uint32_t u32be();
    std::string_view bytes(std::size_t count);
    void skip(std::size_t count) { bytes(count); }

    std::size_t position() const noexcept { return m_pos; }
    std::size_t remaining() const noexcept { return m_data.size() - m_pos; }
    // A sub-range of the whole data, by absolute offset.
    std::string_view slice(std::size_t offset, std::size_t count) const;

private:
    void need(std::size_t count) const;

    std::string_view m_data;
    std::string m_what;
    std::size_t m_pos = 0;
};

} // namespace testserver::tds
