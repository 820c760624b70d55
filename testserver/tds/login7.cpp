#include "testserver/tds/login7.h"

#include "testserver/tds/byte_writer.h"
#include "testserver/tds/protocol_error.h"
#include "testserver/tds/utf16le.h"

namespace testserver::tds {

namespace {

// Length (4), TDSVersion, PacketSize, ClientProgVer, ClientPID, ConnectionID
// (4 each), four option bytes, ClientTimeZone, ClientLCID (4 each).
constexpr std::size_t kFixedPartSize = 36;
// Offset/length pairs up to and including the database name.
constexpr std::size_t kFieldTableEnd = kFixedPartSize + 9 * 4;

// Reads an offset/length pair and returns the UTF-16LE text it points to.
std::string_view field(ByteReader& reader) {
    std::uint16_t offset = reader.u16();
    std::uint16_t characters = reader.u16();
    return reader.slice(offset, static_cast<std::size_t>(characters) * 2);
}

} // namespace

std::string deobfuscatePassword(std::string_view scrambled) {
    std::string plain(scrambled);
    for (char& c : plain) {
        auto b = static_cast<std::uint8_t>(static_cast<std::uint8_t>(c) ^ 0xA5);
        c = static_cast<char>(static_cast<std::uint8_t>((b << 4) | (b >> 4)));
    }
    return plain;
}

Login7Request parseLogin7(std::string_view payload) {
    if (payload.size() < kFieldTableEnd)
        throw ProtocolError("LOGIN7 record is shorter than its fixed part");
    ByteReader reader(payload, "LOGIN7");
    std::uint32_t declaredLength = reader.u32();
    if (declaredLength > payload.size())
        throw ProtocolError("LOGIN7 record is shorter than its declared length");
    Login7Request login;
    login.tdsVersion = reader.u32();
    login.packetSize = reader.u32();
    reader.skip(kFixedPartSize - reader.position());

    login.hostName = utf16leToUtf8(field(reader));
    login.userName = utf16leToUtf8(field(reader));
    login.password = utf16leToUtf8(deobfuscatePassword(field(reader)));
    login.appName = utf16leToUtf8(field(reader));
    login.serverName = utf16leToUtf8(field(reader));
    reader.skip(4); // extension (7.4) or unused
    login.libraryName = utf16leToUtf8(field(reader));
    login.language = utf16leToUtf8(field(reader));
    login.database = utf16leToUtf8(field(reader));
    return login;
}

} // namespace testserver::tds
