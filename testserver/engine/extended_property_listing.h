#pragma once

#include "testserver/engine/token.h"

#include <optional>
#include <string>
#include <vector>

namespace testserver {

// fn_listextendedproperty(name, level0 type, level0 name, level1 type, level1
// name, level2 type, level2 name) as a subquery over sysproperties with SQL
// Server's columns objtype, objname, name and value. `nameIndex` is the
// index of the function's name; `last` receives the index of its closing
// parenthesis. Nothing when the tokens there are not such a call. Level 0
// is USER dbo, or from 2005 on (`schemas`) SCHEMA with a schema's name (NULL
// for every schema).
std::optional<std::string> extendedPropertyListing(const std::vector<Token>& tokens,
                                                   std::size_t nameIndex, std::size_t& last,
                                                   bool schemas = false);

} // namespace testserver
