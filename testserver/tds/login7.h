#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace testserver::tds {

// The parts of a LOGIN7 record (MS-TDS 2.2.6.4) this server uses; text in
// UTF-8, the password already de-obfuscated.
struct Login7Request {
    std::uint32_t tdsVersion = 0;
    std::uint32_t packetSize = 0;
    std::string hostName;
    std::string userName;
    std::string password;
    std::string appName;
    std::string serverName;
    std::string libraryName;
    std::string language;
    std::string database;
};

// Throws ProtocolError when the record is shorter than its fixed part or a
// field points outside it.
Login7Request parseLogin7(std::string_view payload);

// LOGIN7 scrambles each password byte by swapping its nibbles and XOR-ing it
// with 0xA5; this undoes that.
std::string deobfuscatePassword(std::string_view scrambled);

} // namespace testserver::tds
