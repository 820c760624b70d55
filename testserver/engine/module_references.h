#pragma once

#include "testserver/engine/token.h"

#include <string>
#include <vector>

namespace testserver {

// An object a module's text names where SQL Server resolves it when the
// module is created: `schema` (empty when not written) and `name` to look
// up, `written` as the text writes it ("dbo.t"), for the 208 message;
// `call` for a function called as schema.name(...).
struct ObjectReference {
    std::string schema;
    std::string name;
    std::string written;
    bool call = false;
};

// The objects the tokens of a view or inline function name in the places
// the test server recognises reliably: the one-part or schema-qualified name
// right after FROM or JOIN (not a derived table, a function call, a
// @variable or #temporary table, nor a name of another database), and every
// function called as schema.name(...). `anySchema` (SQL Server 2005 and
// later) takes every schema but sys and INFORMATION_SCHEMA; without it only
// dbo, the one owner before 2005. Names a WITH clause defines (name AS
// (...)) are left out.
std::vector<ObjectReference> objectsResolvedOnCreate(const std::vector<Token>& tokens,
                                                     bool anySchema = false);

} // namespace testserver
