#pragma once

#include <string_view>

namespace dbc {

// True for a constraint name SQL Server made up for a constraint declared
// without one: the kind (PK, UQ, FK, CK, DF), two underscores, the table's
// (and for a column's constraint the column's) name cut short, each part
// followed by two underscores, and eight hexadecimal digits of the object id:
// FK__Orders__Custo__1A14E395. Two databases built by the same script hold
// different such names, so these constraints are matched by what they are.
bool isSystemNamed(std::string_view name) noexcept;

} // namespace dbc
