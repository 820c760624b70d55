#pragma once

#include "result.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace dbc {

// The index that one side of the index merge is looking at.
struct CurrentIndex {
    std::string name; // empty: the side has no further index for this table
    std::string tableName;
    std::string status;
    std::string keyColumns; // "[a],[b]" in key order

    bool clustered() const noexcept { return status == "1"; }
};

// Reads one table's index key rows of one side as a sequence of indexes. The
// rows are first put in name-key order of the index name, the rows of one index
// together and in key position order, so neither the store's nor the server's
// collation decides how indexes are grouped and merged.
class IndexCursor {
public:
    // `rows` are indices into `result`, which outlives the cursor.
    IndexCursor(const Result& result, const std::vector<std::size_t>& rows);

    // Moves to the next index: fills name, table name, status and key-column
    // list from its rows. Past the last index only the name becomes empty; the
    // other values keep what they held.
    void readNext();

    const CurrentIndex& current() const noexcept { return m_current; }
    bool exhausted() const noexcept { return m_current.name.empty(); }

private:
    const Result& m_result;
    std::vector<std::size_t> m_rows;
    std::size_t m_position = 0;
    std::size_t m_table = 0;
    std::size_t m_index = 0;
    std::size_t m_field = 0;
    std::size_t m_status = 0;
    CurrentIndex m_current;

    const std::string& value(std::size_t row, std::size_t column) const;
};

} // namespace dbc
