#include "index_cursor.h"

#include "name_key.h"
#include "sql_names.h"

#include <algorithm>
#include <charconv>

namespace dbc {

namespace {

// The key position as a number, so that 10 follows 9; a text that is not a
// number sorts as 0 and keeps its row order among its equals.
long long keyPosition(const std::string& text) {
    long long position = 0;
    std::from_chars(text.data(), text.data() + text.size(), position);
    return position;
}

} // namespace

IndexCursor::IndexCursor(const Result& result, const std::vector<std::size_t>& rows)
    : m_result(result), m_rows(rows) {
    if (m_rows.empty())
        return;
    m_table = result.columnIndex("TableName");
    m_index = result.columnIndex("IndexName");
    m_field = result.columnIndex("IndexField");
    m_status = result.columnIndex("Status");
    const std::size_t order = result.columnIndex("IndexFieldOrder");

    struct SortKey {
        std::string_view name;
        long long position;
        std::size_t row;
    };
    std::vector<SortKey> keys;
    keys.reserve(m_rows.size());
    for (std::size_t row : m_rows)
        keys.push_back({value(row, m_index), keyPosition(value(row, order)), row});
    std::stable_sort(keys.begin(), keys.end(), [](const SortKey& a, const SortKey& b) {
        if (const int byKey = compareNameKeys(a.name, b.name); byKey != 0)
            return byKey < 0;
        // Names equal but for letter case stay apart, each index's rows together.
        if (a.name != b.name)
            return a.name < b.name;
        return a.position < b.position;
    });
    for (std::size_t i = 0; i < keys.size(); ++i)
        m_rows[i] = keys[i].row;
}

const std::string& IndexCursor::value(std::size_t row, std::size_t column) const {
    return m_result.rows()[row].at(column);
}

void IndexCursor::readNext() {
    if (m_position >= m_rows.size()) {
        m_current.name.clear();
        return;
    }
    const std::size_t first = m_rows[m_position];
    m_current.name = value(first, m_index);
    m_current.tableName = value(first, m_table);
    m_current.status = value(first, m_status);
    m_current.keyColumns = "[" + bracketedNameBody(value(first, m_field)) + "]";
    for (++m_position; m_position < m_rows.size(); ++m_position) {
        const std::size_t row = m_rows[m_position];
        if (value(row, m_index) != m_current.name)
            break;
        m_current.keyColumns += ",[" + bracketedNameBody(value(row, m_field)) + "]";
    }
}

} // namespace dbc
