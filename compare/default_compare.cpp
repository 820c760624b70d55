#include "default_compare.h"

#include "compare_queries.h"
#include "name_key.h"
#include "sql_text.h"

#include <algorithm>
#include <string>
#include <vector>

namespace dbc {

namespace {

struct DefaultRow {
    std::string_view name;
    std::string_view table;
    std::string_view field;
    std::string_view value;
};

// Every row of a default result, sorted by the name key of the constraint
// name. The target's rows carry no field or value that the merge reads.
std::vector<DefaultRow> sortedDefaults(const Result& result, bool withDefinition) {
    std::vector<DefaultRow> defaults;
    if (result.empty())
        return defaults;
    const std::size_t name = result.columnIndex("DFName");
    const std::size_t table = result.columnIndex("TableName");
    const std::size_t field = withDefinition ? result.columnIndex("FieldName") : 0;
    const std::size_t value = withDefinition ? result.columnIndex("DFValue") : 0;
    defaults.reserve(result.size());
    for (const auto& row : result.rows()) {
        DefaultRow entry{row.at(name), row.at(table), {}, {}};
        if (withDefinition) {
            entry.field = row.at(field);
            entry.value = row.at(value);
        }
        defaults.push_back(entry);
    }
    std::stable_sort(
        defaults.begin(), defaults.end(),
        [](const DefaultRow& a, const DefaultRow& b) { return nameKeyLess(a.name, b.name); });
    return defaults;
}

std::string addStatement(const DefaultRow& snapshot) {
    std::string text = "ALTER TABLE ";
    text.append(snapshot.table);
    text += " WITH NOCHECK ADD CONSTRAINT ";
    text.append(snapshot.name);
    text += " DEFAULT ";
    text.append(trimControl(snapshot.value));
    text += " FOR ";
    text.append(snapshot.field);
    return text;
}

std::string dropStatement(const DefaultRow& target) {
    std::string text = "ALTER TABLE ";
    text.append(target.table);
    text += " Drop ";
    text.append(target.name);
    return text;
}

} // namespace

void compareDefaults(Connection& store, Connection& target, ScriptBuffer& buffer) {
    const Result snapshotRows = store.open(queries::storeDefaults);
    const Result targetRows = target.open(queries::targetDefaults);
    const auto snapshot = sortedDefaults(snapshotRows, true);
    const auto targetSide = sortedDefaults(targetRows, false);

    std::size_t s = 0;
    std::size_t g = 0;
    while (s < snapshot.size() && g < targetSide.size()) {
        const int order = compareNameKeys(snapshot[s].name, targetSide[g].name);
        if (order == 0) {
            ++s;
            ++g;
        } else if (order < 0) {
            buffer.addStatement(addStatement(snapshot[s++]));
        } else {
            buffer.addStatement(dropStatement(targetSide[g++]));
        }
    }
    for (; g < targetSide.size(); ++g)
        buffer.addStatement(dropStatement(targetSide[g]));
    for (; s < snapshot.size(); ++s)
        buffer.addStatement(addStatement(snapshot[s]));
}

} // namespace dbc
