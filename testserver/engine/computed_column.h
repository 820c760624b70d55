#pragma once

#include "testserver/engine/command.h"
#include "testserver/engine/sql_type.h"

#include <optional>
#include <string>
#include <vector>

namespace testserver {

// A column of the table with the catalog values of its type.
struct TypedColumn {
    std::string name;
    ColumnTypeValues values;
    std::optional<std::string> collation;
};

struct ComputedColumnType {
    ColumnTypeValues values;
    std::optional<std::string> collation;
};

// The type a computed column is recorded with. The test server does not
// evaluate expressions; it works the type out where that is cheap: a single
// column takes that column's type and collation; arithmetic over numeric
// columns and whole numbers takes the operand type of highest precedence
// (whole numbers count as int); any other expression is recorded as
// sql_variant.
ComputedColumnType computedColumnType(const ComputedDefinition& computed,
                                      const std::vector<TypedColumn>& columns);

} // namespace testserver
