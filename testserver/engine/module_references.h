#pragma once

#include "testserver/engine/token.h"

#include <string>
#include <vector>

namespace testserver {

// An object a module's text names where SQL Server resolves it when the
// module is created: `name` to look up (the last part), `written` as the
// text writes it ("dbo.t"), for the 208 message.
struct ObjectReference {
    std::string name;
    std::string written;
};

// The objects the tokens of a view or inline function name in the places
// the test server recognises reliably: the one-part or dbo.-qualified name
// right after FROM or JOIN (not a derived table, a function call, a
// @variable or #temporary table, nor a name of another owner or database),
// and every function called as dbo.name(...). Names a WITH clause defines
// (name AS (...)) are left out.
std::vector<ObjectReference> objectsResolvedOnCreate(const std::vector<Token>& tokens);

} // namespace testserver
