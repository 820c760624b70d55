#pragma once

#include <string>
#include <string_view>

namespace testserver {

// Rewrites the T-SQL expressions of a statement into calls that the
// session's connection evaluates with T-SQL's meaning, leaving all else as
// written:
//   a + b                    -> tsql_plus(a, b): adds numbers, concatenates text
//   CONVERT(type, x [, s])   -> tsql_convert('type', x [, s])
//   CAST(x AS type)          -> tsql_convert('type', x)
//   DATEADD(day, n, d)       -> DATEADD('day', n, d) (likewise DATEDIFF, DATEPART, DATENAME)
//   ISNULL(a, b), LEFT(s, n), RIGHT(s, n) -> tsql_isnull(...), tsql_left(...),
//                               tsql_right(...): SQLite reads those words as its own
// Text it cannot follow (unbalanced parentheses) comes back unchanged, for
// SQLite to refuse.
std::string rewriteExpressions(std::string_view sql);

} // namespace testserver
