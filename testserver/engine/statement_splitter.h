#pragma once

#include "testserver/engine/token.h"

#include <string>
#include <string_view>
#include <vector>

namespace testserver {

// One statement of a batch: a range of the batch's tokens and its source text.
struct StatementSpan {
    std::size_t begin = 0; // first token
    std::size_t end = 0;   // one past the last token
    std::string text;      // source text from the first to the last token
    int line = 1;          // line of the batch on which it starts
};

// Splits a tokenized batch into statements the way SQL Server's parser
// delimits them: at semicolons and where a new statement's keyword begins.
// CREATE PROCEDURE/VIEW/TRIGGER/FUNCTION take the rest of the batch, and
// their text is the whole batch as sent (leading comments included). A
// batch that begins with a bare name is an implicit EXEC of that procedure.
std::vector<StatementSpan> splitStatements(std::string_view batch,
                                           const std::vector<Token>& tokens);

// The statements between tokens `begin` and `end` (the inside of a BEGIN ...
// END block).
std::vector<StatementSpan> splitStatements(std::string_view batch, const std::vector<Token>& tokens,
                                           std::size_t begin, std::size_t end);

// True for a keyword that begins a statement (SELECT, SET, DECLARE, ...).
bool isStatementKeyword(const Token& token);

// True when the BEGIN at `index` opens a block (BEGIN TRAN does not).
bool startsBlock(const std::vector<Token>& tokens, std::size_t index, std::size_t end);

// One past the END that closes the block opened at `begin` (`end` when none does).
std::size_t blockEnd(const std::vector<Token>& tokens, std::size_t begin, std::size_t end);

// True for CREATE PROCEDURE/PROC/VIEW/TRIGGER/FUNCTION/DEFAULT/RULE (and
// their ALTER forms) starting at `index`.
bool startsModuleDefinition(const std::vector<Token>& tokens, std::size_t index);

} // namespace testserver
