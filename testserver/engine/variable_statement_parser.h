#pragma once

#include "testserver/engine/command.h"
#include "testserver/engine/token_cursor.h"

#include <optional>

namespace testserver {

// Parsers of the statements that declare, assign and run with @variables;
// each takes the cursor at the statement's first token.

// DECLARE @a [AS] type [, ...]
Command parseDeclare(TokenCursor& cursor);

// SET @a = expression
Command parseSetVariable(TokenCursor& cursor);

// SELECT @a = expression [, ...] [FROM ...]; nothing for a SELECT that
// assigns no variable.
std::optional<Command> parseSelectAssign(TokenCursor& cursor);

// EXEC|EXECUTE ( expression )
Command parseExecString(TokenCursor& cursor);

// The arguments of sp_executesql after its name: statement [, parameter
// declarations [, values by position or @name = value ...]].
Command parseExecuteSql(TokenCursor& cursor);

// True when a local @variable is among the statement's remaining tokens,
// other than as a parameter name (@name = ...).
bool namesVariable(const TokenCursor& cursor);

// True for @name (not @@name).
bool isLocalVariable(const Token& token);

} // namespace testserver
