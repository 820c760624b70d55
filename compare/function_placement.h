#pragma once

#include "script/change.h"

#include <cstddef>

namespace dbc {

// The function part's changes, its drops first (as moveModuleDropsFirst
// puts them): the drops go in at `dropsAt`, the rest at the end of `out`.
void placeFunctionChanges(ChangeList changes, std::size_t dropsAt, ChangeList& out);

// A computed column that calls a function the script creates can only be
// added once the function exists: such Adds move from the table part to right
// after the function creates (at the end of `out` when this runs), and a new
// table is created without such columns, which are added there (a table keeps
// at least one column to be created with). Other computed columns keep their
// place.
void addComputedColumnsAfterTheirFunctions(const ChangeList& functionChanges,
                                           std::size_t columnChangesAt, ChangeList& out);

} // namespace dbc
