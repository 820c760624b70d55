#pragma once

#include "result.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace dbc {

// The rows of one fetched result grouped once by the object key of one field
// (a table or object name), so each table's or object's rows are found without
// rescanning the result. Each group keeps the result's row order. Names are
// matched as SQL Server matches them: ASCII letter case and trailing blanks
// aside, and an apostrophe in a name is just another byte.
class RowGroups {
public:
    RowGroups(const Result& result, std::string_view field);

    // Indices of the rows whose field matches `name`; empty when there are none.
    const std::vector<std::size_t>& rowsOf(std::string_view name) const;

private:
    std::unordered_map<std::string, std::vector<std::size_t>> m_groups;
    std::vector<std::size_t> m_none;
};

// The values of `field` in a name list, in the list's order, each name once:
// a later name that matches an earlier one by object key is left out, since it
// would select the same rows again and repeat their statements.
std::vector<std::string> distinctNames(const Result& list, std::string_view field);

} // namespace dbc
