#pragma once

#include "testserver/tds/token_writer.h"

#include <chrono>
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
    // How long every response is held before its first packet goes out, so
    // that one round trip costs at least this long, as over a slow link.
    std::chrono::milliseconds responseDelay{0};
};

} // namespace testserver::tds
