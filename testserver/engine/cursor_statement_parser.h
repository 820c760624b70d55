#pragma once

#include "testserver/engine/command.h"
#include "testserver/engine/token_cursor.h"

namespace testserver {

// Parsers of the statements on cursors; each takes the cursor at the
// statement's first token.

// True when the DECLARE at the cursor declares a cursor, not @variables.
bool declaresCursor(const TokenCursor& cursor);

// DECLARE name CURSOR ... FOR select, in both of T-SQL's forms.
Command parseDeclareCursor(TokenCursor& cursor);

// OPEN, CLOSE or DEALLOCATE [GLOBAL] name
Command parseCursorStatement(TokenCursor& cursor);

// FETCH [direction] [FROM] [GLOBAL] name [INTO @a, ...]
Command parseFetch(TokenCursor& cursor);

} // namespace testserver
