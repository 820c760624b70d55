#pragma once

#include "catalog/catalog_model.h"
#include "catalog/database_catalog.h"
#include "script/change.h"

#include <vector>

// What holds a function or view the script drops and creates anew: SQL
// Server refuses DROP FUNCTION (3729) while a view or function WITH
// SCHEMABINDING, a CHECK constraint, a default or a computed column names
// it, and DROP VIEW while such a view or function names it.

namespace dbc {

// The snapshot's objects the target holds as the snapshot does, which the
// script would otherwise leave in place.
struct BoundDependentFacts {
    std::vector<ModuleText> views;
    std::vector<ModuleText> functions;
    std::vector<CheckConstraint> checks;
    std::vector<DefaultConstraint> defaults;
    const std::vector<Table>* tables = nullptr;
};

// For every function or view `changes` drops: the snapshot's schema-bound
// views and functions that name it (and, in turn, those bound to them), and
// for a function the CHECK constraints, defaults and computed columns that
// name it, which the target holds and the script leaves standing, are
// dropped right before the first such drop and put back at the end (the
// views and functions created anew from the snapshot's text). A view or
// function the script drops anyway that names one of them has its drop
// moved there too.
void placeBoundDependents(ChangeList& changes, const BoundDependentFacts& facts);

// The compare run's step after its parts: placeBoundDependents with the
// snapshot's views, functions, CHECKs (where the store records them),
// defaults and tables when the script drops a function or view, then
// orderCreatedViewsAndFunctions.
void placeAroundFunctionChanges(const DatabaseCatalog& snapshot, ChangeList& changes);

} // namespace dbc
