#include "data/result.h"

#include "data/database_error.h"

namespace dbc {

Result::Result(std::vector<std::string> columns, std::vector<Row> rows)
    : m_columns(std::move(columns)), m_rows(std::move(rows)) {}

bool equalsIgnoringCase(std::string_view a, std::string_view b) noexcept {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

std::optional<std::size_t> Result::findColumn(std::string_view name) const noexcept {
    for (std::size_t i = 0; i < m_columns.size(); ++i) {
        if (equalsIgnoringCase(m_columns[i], name))
            return i;
    }
    return std::nullopt;
}

std::size_t Result::columnIndex(std::string_view name) const {
    if (const auto found = findColumn(name))
        return *found;
    throw DatabaseError("Item cannot be found in the collection corresponding to the requested "
                        "name or ordinal: field '" +
                        std::string(name) + "'");
}

const std::string& Result::field(std::size_t row, std::string_view name) const {
    return m_rows.at(row)[columnIndex(name)];
}

} // namespace dbc
