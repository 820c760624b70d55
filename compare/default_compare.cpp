#include "default_compare.h"

#include "compare_queries.h"
#include "name_key.h"
#include "sql_names.h"
#include "sql_text.h"

#include <algorithm>

namespace dbc {

namespace {

std::string addStatement(std::string_view table, std::string_view name, std::string_view value,
                         std::string_view field) {
    std::string text = "ALTER TABLE " + sqlName(table);
    text += " WITH NOCHECK ADD CONSTRAINT " + sqlName(name);
    text += " DEFAULT ";
    text.append(trimControl(value));
    text += " FOR " + sqlName(field);
    return text;
}

std::string dropStatement(std::string_view table, std::string_view name) {
    return "ALTER TABLE " + sqlName(table) + " Drop " + sqlName(name);
}

} // namespace

DefaultComparison::DefaultComparison(Connection& store, Connection& target)
    : m_snapshotRows(store.open(queries::storeDefaults)),
      m_targetRows(target.open(queries::targetDefaults)),
      m_snapshot(sortedRows(m_snapshotRows, true)), m_target(sortedRows(m_targetRows, false)) {
    m_carriedDefaults.reserve(m_snapshot.size());
    for (const Row& row : m_snapshot)
        m_carriedDefaults.push_back({row.name, row.value});
}

// Every row of a default result, sorted by the name key of the constraint
// name. The target's rows carry no field or value that the comparison reads.
std::vector<DefaultComparison::Row> DefaultComparison::sortedRows(const Result& result,
                                                                  bool withDefinition) {
    std::vector<Row> rows;
    if (result.empty())
        return rows;
    const std::size_t name = result.columnIndex("DFName");
    const std::size_t table = result.columnIndex("TableName");
    const std::size_t field = withDefinition ? result.columnIndex("FieldName") : 0;
    const std::size_t value = withDefinition ? result.columnIndex("DFValue") : 0;
    rows.reserve(result.size());
    for (const auto& row : result.rows()) {
        Row entry{row.at(name), row.at(table), {}, {}};
        if (withDefinition) {
            entry.field = row.at(field);
            entry.value = row.at(value);
        }
        rows.push_back(entry);
    }
    std::stable_sort(rows.begin(), rows.end(),
                     [](const Row& a, const Row& b) { return nameKeyLess(a.name, b.name); });
    return rows;
}

bool DefaultComparison::targetHas(std::string_view name) const {
    const auto found = std::lower_bound(
        m_target.begin(), m_target.end(), name,
        [](const Row& row, std::string_view n) { return nameKeyLess(row.name, n); });
    return found != m_target.end() && compareNameKeys(found->name, name) == 0;
}

const CarriedDefault* DefaultComparison::carriedBy(std::string_view table,
                                                   std::string_view column) {
    const std::string tableKey = objectKey(table);
    for (std::size_t i = 0; i < m_snapshot.size(); ++i) {
        const Row& row = m_snapshot[i];
        if (compareNameKeys(row.field, column) != 0 || objectKey(row.table) != tableKey)
            continue;
        if (targetHas(row.name))
            return nullptr;
        m_carried.insert(i);
        return &m_carriedDefaults[i];
    }
    return nullptr;
}

void DefaultComparison::addStatements(ScriptBuffer& buffer) const {
    std::size_t s = 0;
    std::size_t g = 0;
    std::vector<std::size_t> adds;
    while (s < m_snapshot.size() || g < m_target.size()) {
        const int order = s == m_snapshot.size() ? 1
                          : g == m_target.size()
                              ? -1
                              : compareNameKeys(m_snapshot[s].name, m_target[g].name);
        if (order == 0) {
            ++s;
            ++g;
        } else if (order < 0) {
            if (m_carried.count(s) == 0)
                adds.push_back(s);
            ++s;
        } else {
            buffer.addStatement(dropStatement(m_target[g].table, m_target[g].name));
            ++g;
        }
    }
    for (std::size_t i : adds) {
        const Row& row = m_snapshot[i];
        buffer.addStatement(addStatement(row.table, row.name, row.value, row.field));
    }
}

} // namespace dbc
