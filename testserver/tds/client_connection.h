#pragma once

#include "testserver/engine/engine.h"
#include "testserver/tds/packet_channel.h"
#include "testserver/tds/server_options.h"
#include "testserver/tds/token_writer.h"

#include <cstdint>
#include <memory>
#include <string>

namespace testserver::tds {

// Serves one client from PRELOGIN to disconnect: the login, then one request
// after the other. Runs on the client's own thread.
class ClientConnection {
public:
    ClientConnection(Socket& socket, SessionProvider& provider, const ServerOptions& options,
                     std::uint16_t spid);

    // Returns when the client has gone or was refused; throws ProtocolError
    // or ConnectionClosed when the conversation broke off.
    void run();

private:
    bool login();
    void sendLoginRefused(const ServerMessage& message);
    void sendLoginAccepted(std::uint32_t requestedPacketSize);
    void serveRequests();
    void handleBatch(const Message& message);
    void handleRpc(const Message& message);
    void handleTransaction(const Message& message);
    // Runs one transaction statement for a transaction manager request;
    // writes its messages and returns false when it failed.
    bool runTransactionStatement(const std::string& sql, TokenWriter& tokens);
    void answerAttention();
    void sendErrorResponse(const ServerMessage& message);
    BatchResult execute(const std::string& sql);
    void log(const std::string& line) const;

    Socket& m_socket;
    PacketChannel m_channel;
    SessionProvider& m_provider;
    const ServerOptions& m_options;
    std::uint32_t m_tdsVersion = 0;
    std::unique_ptr<Session> m_session;
    std::string m_database;
    // The descriptor of the open transaction (8 bytes), empty when none.
    std::string m_transaction;
    std::uint64_t m_transactionCount = 0;
};

} // namespace testserver::tds
