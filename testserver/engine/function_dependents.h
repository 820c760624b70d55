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

// The first view or function created WITH SCHEMABINDING whose text names the
// view `view`, which keeps it from being dropped (CREATE VIEW, SCHEMABINDING:
// "Views or tables that participate in a view created with the SCHEMABINDING
// clause cannot be dropped unless that view is dropped or changed so that it
// no longer has schema binding").
std::optional<std::string> objectBoundToView(Catalog& catalog, const ObjectRow& view);

} // namespace testserver
