#include "testserver/tds/client_connection.h"

#include "testserver/tds/login7.h"
#include "testserver/tds/prelogin.h"
#include "testserver/tds/protocol_error.h"
#include "testserver/tds/result_encoder.h"
#include "testserver/tds/rpc_request.h"
#include "testserver/tds/sql_batch.h"
#include "testserver/tds/tds_constants.h"
#include "testserver/tds/transaction_request.h"

#include <algorithm>
#include <cctype>
#include <thread>

namespace testserver::tds {

namespace {

// A batch that may carry a password (sp_addlogin, sp_password) is not
// echoed by --verbose: passwords are never printed.
bool carriesPassword(const std::string& sql) {
    std::string lower(sql);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower.find("sp_addlogin") != std::string::npos ||
           lower.find("sp_password") != std::string::npos;
}

// The number SQL Server gives messages raised by user code; used here for
// faults of this server that have no SQL Server number of their own.
constexpr int kUserMessage = 50000;

ServerMessage serverFault(const std::string& text) {
    return ServerMessage{kUserMessage, 1, 16, text, 1};
}

} // namespace

ClientConnection::ClientConnection(Socket& socket, SessionProvider& provider,
                                   const ServerOptions& options, std::uint16_t spid)
    : m_socket(socket), m_channel(socket, spid), m_provider(provider), m_options(options) {
    if (options.responseDelay.count() > 0)
        m_channel.setBeforeEachMessage(
            [delay = options.responseDelay] { std::this_thread::sleep_for(delay); });
}

void ClientConnection::log(const std::string& line) const {
    if (m_options.log)
        m_options.log(line);
}

void ClientConnection::run() {
    if (login())
        serveRequests();
}

bool ClientConnection::login() {
    Message message = m_channel.readMessage();
    if (message.type == tds::PreLogin) {
        parsePrelogin(message.payload);
        m_channel.sendMessage(tds::TabularResult, buildPreloginResponse());
        message = m_channel.readMessage();
    }
    if (message.type != tds::Login7)
        throw ProtocolError("expected a LOGIN7 message, got packet type " +
                            std::to_string(message.type));
    Login7Request request = parseLogin7(message.payload);
    m_tdsVersion = std::min(request.tdsVersion, tds::kTds74);
    if (m_tdsVersion < tds::kTds71) {
        sendLoginRefused(
            serverFault("This test server speaks TDS 7.1 to 7.4; the client asked for an "
                        "older version."));
        return false;
    }
    try {
        m_session = m_provider.login(request.userName, request.password, request.database);
    } catch (const LoginRefused& refused) {
        sendLoginRefused(refused.message());
        return false;
    } catch (const std::exception& e) {
        sendLoginRefused(serverFault(e.what()));
        return false;
    }
    m_database = m_session->database();
    sendLoginAccepted(request.packetSize);
    return true;
}

void ClientConnection::sendLoginRefused(const ServerMessage& message) {
    ResponseStream stream(m_channel);
    TokenWriter tokens(stream.out(), std::max(m_tdsVersion, tds::kTds71), m_options.serverName,
                       m_options.collation);
    ServerMessage error = message;
    if (error.severity <= 10)
        error.severity = 14;
    tokens.message(error);
    tokens.done(tds::Done, tds::DoneError, 0, 0);
    stream.finish();
}

void ClientConnection::sendLoginAccepted(std::uint32_t requestedPacketSize) {
    std::uint32_t packetSize =
        requestedPacketSize == 0
            ? tds::kDefaultPacketSize
            : std::clamp(requestedPacketSize, tds::kMinPacketSize, tds::kMaxPacketSize);
    ResponseStream stream(m_channel);
    TokenWriter tokens(stream.out(), m_tdsVersion, m_options.serverName, m_options.collation);
    tokens.envChange(tds::EnvDatabase, m_database, "master");
    tokens.message(
        ServerMessage{5701, 2, 0, "Changed database context to '" + m_database + "'.", 1});
    tokens.collationChange();
    tokens.envChange(tds::EnvLanguage, "us_english", "");
    tokens.message(ServerMessage{5703, 1, 0, "Changed language setting to us_english.", 1});
    tokens.loginAck();
    tokens.envChange(tds::EnvPacketSize, std::to_string(packetSize),
                     std::to_string(tds::kDefaultPacketSize));
    tokens.done(tds::Done, tds::DoneFinal, 0, 0);
    stream.finish();
    m_channel.setPacketSize(packetSize);
}

void ClientConnection::serveRequests() {
    for (;;) {
        Message message = m_channel.readMessage();
        switch (message.type) {
        case tds::SqlBatch:
            handleBatch(message);
            break;
        case tds::Rpc:
            handleRpc(message);
            break;
        case tds::Attention:
            answerAttention();
            break;
        case tds::TransactionManager:
            handleTransaction(message);
            break;
        default:
            log("unsupported request packet type " + std::to_string(message.type));
            sendErrorResponse(serverFault("This test server does not support TDS packet type " +
                                          std::to_string(message.type) + "."));
            break;
        }
    }
}

BatchResult ClientConnection::execute(const std::string& sql) {
    if (m_options.traceRequests)
        log(carriesPassword(sql) ? std::string("batch: (not shown: it may carry a password)")
                                 : "batch: " + sql);
    try {
        return m_session->executeBatch(sql);
    } catch (const std::exception& e) {
        // The engine reports SQL errors in its outcomes; an exception is a
        // fault of its own, which still reaches the client as an error.
        log(std::string("the engine failed: ") + e.what());
        StatementOutcome outcome;
        outcome.messages.push_back(serverFault(e.what()));
        outcome.failed = true;
        return BatchResult{{outcome}};
    }
}

void ClientConnection::handleBatch(const Message& message) {
    std::string sql = parseSqlBatch(message.payload, tds::is72OrLater(m_tdsVersion));
    BatchResult result = execute(sql);
    ResponseStream stream(m_channel);
    ResultEncoder encoder(stream, m_tdsVersion, m_options.serverName, m_options.collation);
    encoder.statements(result, m_database, false);
    stream.finish();
    if (stream.attentionUnanswered())
        answerAttention();
}

void ClientConnection::handleRpc(const Message& message) {
    ResponseStream stream(m_channel);
    ResultEncoder encoder(stream, m_tdsVersion, m_options.serverName, m_options.collation);
    RpcCall call;
    try {
        call = parseRpcRequest(message.payload, tds::is72OrLater(m_tdsVersion));
    } catch (const UnsupportedRpc& unsupported) {
        log(std::string("unsupported RPC: ") + unsupported.what());
        encoder.tokens().message(serverFault(unsupported.what()));
        encoder.procedureEnd(true);
        stream.finish();
        return;
    }
    BatchResult result = execute(call.sql);
    bool failed = std::any_of(result.statements.begin(), result.statements.end(),
                              [](const StatementOutcome& s) { return s.failed; });
    if (encoder.statements(result, m_database, true))
        encoder.procedureEnd(failed);
    stream.finish();
    if (stream.attentionUnanswered())
        answerAttention();
}

bool ClientConnection::runTransactionStatement(const std::string& sql, TokenWriter& tokens) {
    bool failed = false;
    for (const StatementOutcome& outcome : execute(sql).statements) {
        for (const ServerMessage& message : outcome.messages)
            tokens.message(message);
        failed = failed || outcome.failed;
    }
    return !failed;
}

void ClientConnection::handleTransaction(const Message& message) {
    using Kind = TransactionRequest::Kind;
    TransactionRequest request = parseTransactionRequest(message.payload);
    ResponseStream stream(m_channel);
    TokenWriter tokens(stream.out(), m_tdsVersion, m_options.serverName, m_options.collation);
    auto begin = [&] {
        if (!runTransactionStatement("BEGIN TRANSACTION", tokens))
            return false;
        ByteWriter descriptor;
        descriptor.u64(++m_transactionCount);
        m_transaction = descriptor.take();
        tokens.transactionChange(tds::EnvBeginTransaction, m_transaction, "");
        return true;
    };
    bool ok = true;
    switch (request.kind) {
    case Kind::Begin:
        ok = begin();
        break;
    case Kind::Commit:
    case Kind::Rollback: {
        bool commit = request.kind == Kind::Commit;
        ok =
            runTransactionStatement(commit ? "COMMIT TRANSACTION" : "ROLLBACK TRANSACTION", tokens);
        if (ok) {
            tokens.transactionChange(commit ? tds::EnvCommitTransaction
                                            : tds::EnvRollbackTransaction,
                                     "", m_transaction);
            m_transaction.clear();
            if (request.beginAfter)
                ok = begin();
        }
        break;
    }
    case Kind::Unsupported:
        log("unsupported transaction manager request " + std::to_string(request.requestType));
        tokens.message(serverFault("This test server does not support transaction manager "
                                   "request " +
                                   std::to_string(request.requestType) + "."));
        ok = false;
        break;
    }
    tokens.done(tds::Done, ok ? tds::DoneFinal : tds::DoneError, 0, 0);
    stream.finish();
}

void ClientConnection::answerAttention() {
    ResponseStream stream(m_channel);
    ResultEncoder encoder(stream, m_tdsVersion, m_options.serverName, m_options.collation);
    encoder.attentionDone();
    stream.finish();
}

void ClientConnection::sendErrorResponse(const ServerMessage& message) {
    ResponseStream stream(m_channel);
    TokenWriter tokens(stream.out(), m_tdsVersion, m_options.serverName, m_options.collation);
    tokens.message(message);
    tokens.done(tds::Done, tds::DoneError, 0, 0);
    stream.finish();
}

} // namespace testserver::tds
