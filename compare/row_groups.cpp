#include "row_groups.h"

#include "name_key.h"

#include <unordered_set>

namespace dbc {

RowGroups::RowGroups(const Result& result, std::string_view field) {
    if (result.empty())
        return;
    const std::size_t column = result.columnIndex(field);
    const auto& rows = result.rows();
    for (std::size_t i = 0; i < rows.size(); ++i)
        m_groups[objectKey(rows[i].at(column))].push_back(i);
}

const std::vector<std::size_t>& RowGroups::rowsOf(std::string_view name) const {
    const auto found = m_groups.find(objectKey(name));
    return found == m_groups.end() ? m_none : found->second;
}

std::vector<std::string> distinctNames(const Result& list, std::string_view field) {
    std::vector<std::string> names;
    if (list.empty())
        return names;
    const std::size_t column = list.columnIndex(field);
    std::unordered_set<std::string> seen;
    for (const auto& row : list.rows()) {
        const std::string& name = row.at(column);
        if (seen.insert(objectKey(name)).second)
            names.push_back(name);
    }
    return names;
}

} // namespace dbc
