#pragma once

#include "testserver/engine/token.h"

#include <string_view>
#include <vector>

namespace testserver {

// Splits T-SQL text into tokens, skipping blanks and comments (-- and
// nested /* */). Throws ServerError for an unterminated string, name or
// comment, as SQL Server's parser refuses them.
std::vector<Token> tokenize(std::string_view sql);

} // namespace testserver
