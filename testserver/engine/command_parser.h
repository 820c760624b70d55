#pragma once

#include "testserver/engine/command.h"
#include "testserver/engine/token_cursor.h"

#include <string_view>
#include <vector>

namespace testserver {

// Parses a whole batch before anything runs, as SQL Server compiles a batch:
// a syntax error anywhere refuses the batch (ServerError with abortsBatch).
std::vector<Command> parseBatch(std::string_view batch);

// The parsers of the statement families; each starts at the statement's
// first token and consumes the statement to its end.
Command parseTableStatement(TokenCursor& cursor); // CREATE TABLE, ALTER TABLE
Command parseObjectStatement(TokenCursor& cursor, const std::string& batchText,
                             bool firstInBatch); // indexes, modules, DROP, CREATE DATABASE
// sp_addextendedproperty, sp_updateextendedproperty, sp_dropextendedproperty,
// sp_rename and sp_recompile, starting at their first argument.
bool isCatalogProcedure(std::string_view procedure);
Command parseCatalogProcedure(std::string_view procedure, TokenCursor& cursor);

} // namespace testserver
