#pragma once

#include "data/connection.h"

#include <cstddef>
#include <string>
#include <vector>

namespace dbc {

// The most statement text one batched request carries (in bytes of UTF-8):
// enough for about a thousand per-object look-ups, small enough that a
// database with a hundred thousand objects never builds one giant request.
inline constexpr std::size_t kBatchTextLimit = 64 * 1024;

// Runs `statements` in as few requests as the limit allows and hands
// `onReply` each statement's reply in order, as Connection::openEach does.
//
// Each statement goes as "Exec " + statement when it is a bare call of a
// system procedure ("sp_helpText N'x'": only the first statement of a batch
// may leave out EXEC), and is preceded by a
// one-row marker SELECT naming its position. A statement's reply is what
// came between its marker and the next one: its first error if it failed,
// else its first result set, else the error "CommandText does not return a
// result set". So a statement that fails, or yields nothing, is recognised as
// such without shifting the replies of the others. A statement whose marker
// never came (the server ended the batch early) goes again in the next
// request; a request that answers none of its statements throws the error it
// came back with.
void openBatched(Connection& connection, const std::vector<std::string>& statements,
                 const ReplyHandler& onReply, std::size_t batchTextLimit = kBatchTextLimit);

// The column the marker SELECT names its statement's position in.
inline constexpr const char* kReplyMarkerColumn = "dbcompare_reply";

} // namespace dbc
