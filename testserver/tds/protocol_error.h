#pragma once

#include <stdexcept>
#include <string>

namespace testserver::tds {

// The client sent something that is not valid TDS (a bad packet header, a
// truncated login record, ...). The connection cannot continue after it.
class ProtocolError : public std::runtime_error {
public:
    explicit ProtocolError(const std::string& what) : std::runtime_error(what) {}
};

// The peer closed the connection or the socket failed.
class ConnectionClosed : public std::runtime_error {
public:
    explicit ConnectionClosed(const std::string& what) : std::runtime_error(what) {}
};

} // namespace testserver::tds
