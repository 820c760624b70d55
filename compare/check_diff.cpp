#include "compare/catalog_diff.h"
#include "compare/definition_form.h"

#include "catalog/name_key.h"
#include "compare/constraint_pairing.h"
#include "data/sql_text.h"
#include "script/expression_text.h"

#include <algorithm>
#include <set>
#include <utility>

namespace dbc {

namespace {

bool sameDefinition(const CheckConstraint& a, const CheckConstraint& b) {
    return comparedDefinition(a.definition) == comparedDefinition(b.definition);
}

bool sameTable(const CheckConstraint& a, const CheckConstraint& b) {
    return objectKey(a.table) == objectKey(b.table);
}

// The columns the run alters or drops, as (table key, column name key).
std::set<std::pair<std::string, std::string>> changedColumns(const ChangeList& changes) {
    std::set<std::pair<std::string, std::string>> changed;
    for (const Change& change : changes) {
        if (const auto* alter = std::get_if<AlterColumn>(&change.record))
            changed.insert({objectKey(alter->column.table), nameKey(alter->column.name)});
        else if (const auto* drop = std::get_if<DropColumn>(&change.record))
            changed.insert({objectKey(drop->table), nameKey(drop->column)});
    }
    return changed;
}

// True when the target's CHECK stands in the way of a column change: SQL
// Server refuses to alter or drop a column a CHECK was declared on or names.
bool blocksAChange(const CheckConstraint& check,
                   const std::set<std::pair<std::string, std::string>>& changed) {
    const std::string table = objectKey(check.table);
    if (!check.column.empty() && changed.contains({table, nameKey(check.column)}))
        return true;
    const auto names = namesInExpression(check.definition);
    return std::any_of(names.begin(), names.end(), [&](const std::string& name) {
        return changed.contains({table, nameKey(name)});
    });
}

} // namespace

ConstraintChanges diffChecks(const std::vector<CheckConstraint>& snapshot,
                             const std::vector<CheckConstraint>& target,
                             const std::set<std::string>& snapshotTables,
                             const ChangeList& columnChanges) {
    const auto s = constraintsOnTables(snapshot, snapshotTables);
    const auto g = constraintsOnTables(target, snapshotTables);
    auto [partner, dropped] =
        pairConstraints(s, g, [](const CheckConstraint& a, const CheckConstraint& b) {
            return sameTable(a, b) && sameDefinition(a, b);
        });
    constexpr std::size_t none = ConstraintPairs::none;

    const auto changed = changedColumns(columnChanges);
    ConstraintChanges changes;
    auto add = [&](const CheckConstraint& check) {
        changes.adds.push_back({AddCheck{check}});
        if (check.disabled)
            changes.adds.push_back({SetConstraintChecking{check.table, check.name, false}});
    };
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (partner[i] == none) {
            add(*s[i]);
            continue;
        }
        const CheckConstraint& t = *g[partner[i]];
        if (!sameDefinition(*s[i], t) || s[i]->notForReplication != t.notForReplication ||
            blocksAChange(t, changed)) {
            dropped[partner[i]] = true;
            add(*s[i]);
        } else if (s[i]->disabled != t.disabled) {
            changes.adds.push_back({SetConstraintChecking{t.table, t.name, !s[i]->disabled}});
        }
    }
    for (std::size_t j = 0; j < g.size(); ++j) {
        if (dropped[j])
            changes.drops.push_back({DropCheck{g[j]->table, g[j]->name}});
    }
    return changes;
}

} // namespace dbc
