#pragma once

#include "testserver/engine/token.h"

#include <vector>

namespace testserver {

// Checks a batch's @variables as SQL Server does before running any of it:
// each is declared once (134) and before it is used (137). A procedure's
// parameter names in EXEC (@name = value) are no variables; a batch that
// defines a procedure, view, trigger or function is left to that definition.
// `declared` are declared before the batch begins.
void checkDeclaredVariables(const std::vector<Token>& tokens,
                            const std::vector<std::string>& declared = {});

} // namespace testserver
