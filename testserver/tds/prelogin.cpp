#include "testserver/tds/prelogin.h"

#include "testserver/tds/byte_writer.h"

#include <utility>
#include <vector>

namespace testserver::tds {

namespace {

enum PreloginOption : std::uint8_t {
    Version = 0x00,
    Encryption = 0x01,
    InstOpt = 0x02,
    ThreadId = 0x03,
    Mars = 0x04,
    Terminator = 0xFF,
};

constexpr std::uint8_t kEncryptNotSupported = 2;

} // namespace

PreloginRequest parsePrelogin(std::string_view payload) {
    PreloginRequest request;
    ByteReader reader(payload, "PRELOGIN");
    for (;;) {
        std::uint8_t option = reader.u8();
        if (option == Terminator)
            break;
        std::uint16_t offset = reader.u16be();
        std::uint16_t length = reader.u16be();
        std::string_view value = reader.slice(offset, length);
        if (option == Encryption && length >= 1)
            request.encryption = static_cast<std::uint8_t>(value[0]);
        else if (option == Mars && length >= 1)
            request.mars = value[0] != 0;
    }
    return request;
}

std::string buildPreloginResponse() {
    ByteWriter version;
    version.u8(8);       // major
    version.u8(0);       // minor
    version.u16be(2039); // build
    version.u16be(0);    // sub-build
    std::vector<std::pair<std::uint8_t, std::string>> options{
        {Version, version.take()},
        {Encryption, std::string(1, static_cast<char>(kEncryptNotSupported))},
        {InstOpt, std::string(1, '\0')},
        {ThreadId, std::string()},
        {Mars, std::string(1, '\0')},
    };
    const std::size_t tableSize = options.size() * 5 + 1;
    ByteWriter table;
    ByteWriter values;
    for (const auto& [option, value] : options) {
        table.u8(option);
        table.u16be(static_cast<std::uint16_t>(tableSize + values.size()));
        table.u16be(static_cast<std::uint16_t>(value.size()));
        values.bytes(value);
    }
    table.u8(Terminator);
    table.bytes(values.data());
    return table.take();
}

} // namespace testserver::tds
