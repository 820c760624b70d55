#pragma once

#include "testserver/engine/catalog.h"

#include <optional>
#include <string>

namespace testserver {

// The first object that keeps the function `function` from being dropped,
// by the name SQL Server's 3729 gives it: a view or function created WITH
// SCHEMABINDING whose text names it, a CHECK or DEFAULT constraint whose
// expression names it, or the table of a computed column whose expression
// names it (DROP FUNCTION, "Remarks": "DROP FUNCTION will fail if there are
// Transact-SQL functions or views in the database that reference this
// function and were created by using SCHEMABINDING, or if there are computed
// columns, CHECK constraints, or DEFAULT constraints that reference the
// function").
std::optional<std::string> objectBoundToFunction(Catalog& catalog, const ObjectRow& function);

} // namespace testserver
