#pragma once

#include "catalog/catalog_model.h"
#include "script/change.h"

#include <vector>

// The order in which objects whose creation resolves the names they use
// (views, functions) are created: each after the objects of its own list
// that its text mentions (by name, whatever the schema).

namespace dbc {

// The names a module's text mentions: every identifier of it (regular,
// [bracketed] or "quoted"; the parts of a dotted name each on its own), as
// name keys (name_key.h). Comments, string literals and @variables are
// skipped.
std::vector<std::string> mentionedNameKeys(const std::string& text);

// `modules` reordered so that each comes after the others of the list whose
// names its text mentions (its own aside); among those free to go, the
// earlier of the list goes first. Objects that mention each other in a cycle
// are taken in list order at the point where nothing else is free to go.
std::vector<ModuleText> orderByMentions(std::vector<ModuleText> modules);

// Moves every drop of a module to the front, in reverse of the order the
// changes held them, the other changes keeping their order: an object that
// uses another (ordered after it) is dropped before it, and everything is
// dropped before anything is created anew.
void moveModuleDropsFirst(ChangeList& changes);

} // namespace dbc
