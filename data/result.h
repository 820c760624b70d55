#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dbc {

// One fetched result set: the column names as the statement aliased them and
// every row as text (integers in plain decimal, NULL as the empty text).
class Result {
public:
    using Row = std::vector<std::string>;

    Result() = default;
    Result(std::vector<std::string> columns, std::vector<Row> rows);

    const std::vector<std::string>& columns() const noexcept { return m_columns; }
    const std::vector<Row>& rows() const noexcept { return m_rows; }
    std::size_t size() const noexcept { return m_rows.size(); }
    bool empty() const noexcept { return m_rows.empty(); }

    // Index of the column named `name`, letter case ignored. Throws
    // DatabaseError naming the field when the result has no such column.
    std::size_t columnIndex(std::string_view name) const;

    // Index of the column named `name`, letter case ignored, or nothing: for
    // a column that an older snapshot store does not have yet.
    std::optional<std::size_t> findColumn(std::string_view name) const noexcept;

    // The value of field `name` in row `row`.
    const std::string& field(std::size_t row, std::string_view name) const;

    void addRow(Row row) { m_rows.push_back(std::move(row)); }

private:
    std::vector<std::string> m_columns;
    std::vector<Row> m_rows;
};

// True when two names are equal with ASCII letter case ignored.
bool equalsIgnoringCase(std::string_view a, std::string_view b) noexcept;

} // namespace dbc
