#include "index_rows.h"

#include "name_key.h"

#include <algorithm>
#include <charconv>
#include <string_view>

namespace dbc {

namespace {

// The key position as a number, so that 10 follows 9; a text that is not a
// number sorts as 0 and keeps its row order among its equals.
long long keyPosition(const std::string& text) {
    long long position = 0;
    std::from_chars(text.data(), text.data() + text.size(), position);
    return position;
}

struct Columns {
    std::size_t table;
    std::size_t index;
    std::size_t field;
    std::size_t order;
    std::size_t status;
    std::optional<std::size_t> unique;
    std::optional<std::size_t> constraint;
    std::optional<std::size_t> descending;

    explicit Columns(const Result& result)
        : table(result.columnIndex("TableName")), index(result.columnIndex("IndexName")),
          field(result.columnIndex("IndexField")), order(result.columnIndex("IndexFieldOrder")),
          status(result.columnIndex("Status")), unique(result.findColumn("IsUnique")),
          constraint(result.findColumn("KeyConstraint")),
          descending(result.findColumn("IsDescending")) {}

    bool keyFacts() const noexcept { return unique && constraint && descending; }
};

// The rows in name-key order of the index name, each index's rows together
// and in key position order.
std::vector<std::size_t> keyOrder(const Result& result, const Columns& columns,
                                  const std::vector<std::size_t>& rows) {
    struct SortKey {
        std::string_view name;
        long long position;
        std::size_t row;
    };
    std::vector<SortKey> keys;
    keys.reserve(rows.size());
    for (std::size_t row : rows) {
        const Result::Row& values = result.rows()[row];
        keys.push_back({values.at(columns.index), keyPosition(values.at(columns.order)), row});
    }
    std::stable_sort(keys.begin(), keys.end(), [](const SortKey& a, const SortKey& b) {
        if (const int byKey = compareNameKeys(a.name, b.name); byKey != 0)
            return byKey < 0;
        // Names equal but for letter case stay apart, each index's rows together.
        if (a.name != b.name)
            return a.name < b.name;
        return a.position < b.position;
    });
    std::vector<std::size_t> ordered;
    ordered.reserve(keys.size());
    for (const SortKey& key : keys)
        ordered.push_back(key.row);
    return ordered;
}

IndexDefinition startIndex(const Result::Row& row, const Columns& columns) {
    IndexDefinition index;
    index.name = row.at(columns.index);
    index.tableName = row.at(columns.table);
    index.status = row.at(columns.status);
    index.carriesKeyFacts = columns.keyFacts();
    if (index.carriesKeyFacts) {
        index.unique = row.at(*columns.unique) == "1";
        index.constraint = keyConstraintFromText(row.at(*columns.constraint));
    }
    return index;
}

} // namespace

std::vector<IndexDefinition> readTableIndexes(const Result& result,
                                              const std::vector<std::size_t>& rows) {
    std::vector<IndexDefinition> indexes;
    if (rows.empty())
        return indexes;
    const Columns columns(result);
    for (std::size_t rowNumber : keyOrder(result, columns, rows)) {
        const Result::Row& row = result.rows()[rowNumber];
        // An exact comparison: names equal but for letter case are two indexes.
        if (indexes.empty() || row.at(columns.index) != indexes.back().name)
            indexes.push_back(startIndex(row, columns));
        const bool descending = columns.keyFacts() && row.at(*columns.descending) == "1";
        indexes.back().keys.push_back({row.at(columns.field), descending});
    }
    return indexes;
}

} // namespace dbc
