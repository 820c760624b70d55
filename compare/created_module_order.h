#pragma once

#include "script/change.h"

// Views and functions created by one script, ordered across the two kinds.

namespace dbc {

// Moves the create of each view or function that mentions a view or function
// created further down to right after that create, so that an inline
// function over a new view follows the view, and a view over a function so
// moved follows the function. The Adds of computed columns that mention a
// moved function go along, right after it. A drop stays where it is (before
// its create). Objects that mention each other in a cycle keep the order
// reached when moving stops.
void orderCreatedViewsAndFunctions(ChangeList& changes);

} // namespace dbc
