#pragma once

#include "script/change.h"

// Views and functions created by one script, ordered across the two kinds.

namespace dbc {

// Moves the create of each view or function that mentions one of the other
// kind created further down (or one this step moved there) to right after
// that create, so that an inline function over a new view follows the view,
// and a view or function over a function so moved follows it. The order
// among views and among functions is otherwise left as it is. The Adds of computed columns that
// mention a moved function go along, right after it. A drop stays where it is (before its create).
// Objects that mention each other in a cycle keep the order reached when moving stops.
void orderCreatedViewsAndFunctions(ChangeList& changes);

} // namespace dbc
