#include "compare/catalog_diff.h"

#include "catalog/name_key.h"
#include "compare/constraint_pairing.h"

#include <algorithm>
#include <set>

namespace dbc {

namespace {

bool sameNames(const std::vector<std::string>& a, const std::vector<std::string>& b) {
    return std::equal(
        a.begin(), a.end(), b.begin(), b.end(),
        [](const std::string& x, const std::string& y) { return compareNameKeys(x, y) == 0; });
}

// What a key is, its name aside: the table and columns it links, in key
// order.
bool sameLink(const ForeignKey& a, const ForeignKey& b) {
    return objectKey(a.table) == objectKey(b.table) && sameNames(a.columns, b.columns) &&
           objectKey(a.referencedTable) == objectKey(b.referencedTable) &&
           sameNames(a.referencedColumns, b.referencedColumns);
}

// Whether the target's key already has the snapshot's definition: the link
// and what ALTER TABLE cannot change on an existing key (its actions and NOT
// FOR REPLICATION). Whether it is enabled is changed in place.
bool sameDefinition(const ForeignKey& snapshot, const ForeignKey& target) {
    return sameLink(snapshot, target) && snapshot.deleteCascade == target.deleteCascade &&
           snapshot.updateCascade == target.updateCascade &&
           snapshot.notForReplication == target.notForReplication;
}

} // namespace

ForeignKeyChanges diffForeignKeys(const std::vector<ForeignKey>& snapshot,
                                  const std::vector<ForeignKey>& target,
                                  const std::set<std::string>& snapshotTables) {
    const auto s = constraintsOnTables(snapshot, snapshotTables);
    const auto g = constraintsOnTables(target, snapshotTables);
    auto [partner, dropped] = pairConstraints(s, g, sameLink);
    constexpr std::size_t none = ConstraintPairs::none;

    ForeignKeyChanges changes;
    auto add = [&](const ForeignKey& key) {
        changes.adds.push_back({AddForeignKey{key}});
        if (key.disabled)
            changes.adds.push_back({SetConstraintChecking{key.table, key.name, false}});
    };
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (partner[i] == none) {
            add(*s[i]);
            continue;
        }
        const ForeignKey& t = *g[partner[i]];
        if (!sameDefinition(*s[i], t)) {
            dropped[partner[i]] = true;
            add(*s[i]);
        } else if (s[i]->disabled != t.disabled) {
            changes.adds.push_back({SetConstraintChecking{t.table, t.name, !s[i]->disabled}});
        }
    }
    std::set<const ForeignKey*> gone;
    for (std::size_t j = 0; j < g.size(); ++j) {
        if (dropped[j]) {
            changes.drops.push_back({DropForeignKey{*g[j]}});
            gone.insert(g[j]);
        }
    }
    for (const ForeignKey& key : target) {
        if (!gone.contains(&key))
            changes.kept.push_back(key);
    }
    return changes;
}

} // namespace dbc
