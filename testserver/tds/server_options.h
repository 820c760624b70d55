#pragma once

#include "testserver/tds/token_writer.h"

#include <functional>
#include <string>

namespace testserver::tds {

struct ServerOptions {
    // The server name ERROR and INFO tokens carry.
    std::string serverName = "DBCTEST";
    // The collation announced at login and given to every text column.
    Collation collation = kChinesePrcCiAs;
    // Receives one line per event worth knowing: a client's protocol fault,
    // an unexpected request and, when `traceRequests` is set, every batch.
    std::function<void(const std::string&)> log;
    bool traceRequests = false;
};

} // namespace testserver::tds
