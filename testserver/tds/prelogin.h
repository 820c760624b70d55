#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace testserver::tds {

// The PRELOGIN options a client sent (MS-TDS 2.2.6.5) that this server reads.
struct PreloginRequest {
    std::optional<std::uint8_t> encryption; // ENCRYPT_OFF 0, ON 1, NOT_SUP 2, REQ 3
    bool mars = false;
};

// Parses the option table; throws ProtocolError when an option points outside
// the message.
PreloginRequest parsePrelogin(std::string_view payload);

// The server's PRELOGIN answer: version 8.0.2039 (SQL Server 2000 SP4), no
// encryption support (ENCRYPT_NOT_SUP), no instance, no MARS.
std::string buildPreloginResponse();

} // namespace testserver::tds
