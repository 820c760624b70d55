#include "compare/catalog_diff.h"
#include "compare/definition_form.h"

#include "catalog/name_key.h"
#include "data/sql_text.h"

#include <algorithm>

namespace dbc {

namespace {

std::vector<const DefaultConstraint*> byNameKey(const std::vector<DefaultConstraint>& defaults) {
    std::vector<const DefaultConstraint*> sorted;
    sorted.reserve(defaults.size());
    for (const DefaultConstraint& constraint : defaults)
        sorted.push_back(&constraint);
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const DefaultConstraint* a, const DefaultConstraint* b) {
                         return nameKeyLess(a->name, b->name);
                     });
    return sorted;
}

// True when the target's value is known and differs from the snapshot's,
// control bytes and blanks at their ends and parentheses around the whole
// aside (definition_form.h).
bool valueChanged(const DefaultConstraint& snapshot, const DefaultConstraint& target) {
    return !target.value.empty() &&
           comparedDefinition(snapshot.value) != comparedDefinition(target.value);
}

} // namespace

std::set<std::string> heldTableKeys(const std::vector<Table>& snapshot) {
    std::set<std::string> keys;
    for (const Table& table : snapshot) {
        if (!table.columns.empty())
            keys.insert(nameKey(table.name));
    }
    return keys;
}

void diffDefaults(const std::vector<DefaultConstraint>& snapshot,
                  const std::vector<DefaultConstraint>& target,
                  const std::set<std::string>& carried, ChangeList& out,
                  const std::set<std::string>* heldTables) {
    const auto s = byNameKey(snapshot);
    const auto g = byNameKey(target);
    std::vector<const DefaultConstraint*> adds;
    auto drop = [&](const DefaultConstraint* constraint) {
        if (!heldTables || heldTables->contains(nameKey(constraint->table)))
            out.push_back({DropDefault{constraint->table, constraint->name}});
    };
    auto add = [&](const DefaultConstraint* constraint) {
        if (!carried.contains(nameKey(constraint->name)))
            adds.push_back(constraint);
    };
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < s.size() && j < g.size()) {
        const int order = compareNameKeys(s[i]->name, g[j]->name);
        if (order == 0) {
            // Same name, other value: dropped with the drops, added with the
            // adds.
            if (valueChanged(*s[i], *g[j])) {
                out.push_back({DropDefault{g[j]->table, g[j]->name}});
                adds.push_back(s[i]);
            }
            ++i;
            ++j;
        } else if (order < 0) {
            add(s[i++]);
        } else {
            drop(g[j++]);
        }
    }
    for (; j < g.size(); ++j)
        drop(g[j]);
    for (; i < s.size(); ++i)
        add(s[i]);
    for (const DefaultConstraint* constraint : adds)
        out.push_back({AddDefault{*constraint}});
}

} // namespace dbc
