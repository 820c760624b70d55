#pragma once

#include "testserver/engine/command.h"
#include "testserver/engine/token_cursor.h"

namespace testserver {

// Parsers of the statements on rows; each takes the cursor at the
// statement's first token (INSERT, UPDATE, DELETE).
Command parseRowStatement(TokenCursor& cursor);

// SET IDENTITY_INSERT table {ON | OFF}, the cursor after IDENTITY_INSERT.
Command parseSetIdentityInsert(TokenCursor& cursor);

} // namespace testserver
