#pragma once

#include "testserver/engine/engine.h"
#include "testserver/tds/response_stream.h"
#include "testserver/tds/token_writer.h"

#include <string>

namespace testserver::tds {

// Turns the engine's outcomes into the token stream of one response: per
// statement its messages, its database change, its result set, then a DONE
// (DONEINPROC inside a procedure call) whose DONE_MORE, DONE_COUNT and
// DONE_ERROR bits let the client step from statement to statement.
class ResultEncoder {
public:
    ResultEncoder(ResponseStream& stream, std::uint32_t tdsVersion, std::string serverName,
                  Collation collation)
        : m_stream(stream), m_tokens(stream.out(), tdsVersion, std::move(serverName), collation) {}

    // Writes every statement's tokens. `currentDatabase` is the session's
    // database before the batch and is updated by each database change.
    // `insideProcedure` writes DONEINPROC tokens, all with DONE_MORE, for a
    // procedure call that procedureEnd() closes. Returns false when the client
    // cancelled: the DONE_ATTN has then been written and nothing may follow.
    bool statements(const BatchResult& result, std::string& currentDatabase, bool insideProcedure);

    // Ends a procedure call: RETURNSTATUS, then the final DONEPROC.
    void procedureEnd(bool failed);

    // The DONE with DONE_ATTN that acknowledges a cancel.
    void attentionDone();

    TokenWriter& tokens() noexcept { return m_tokens; }

private:
    // Sends full packets; on a cancel writes DONE_ATTN and returns false.
    bool keepGoing();
    bool statement(const StatementOutcome& outcome, std::string& currentDatabase, bool more,
                   bool insideProcedure);

    ResponseStream& m_stream;
    TokenWriter m_tokens;
};

} // namespace testserver::tds
