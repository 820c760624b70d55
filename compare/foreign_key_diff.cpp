#include "compare/catalog_diff.h"

#include "catalog/constraint_names.h"
#include "catalog/name_key.h"

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

std::vector<const ForeignKey*> onTables(const std::vector<ForeignKey>& keys,
                                        const std::set<std::string>& tables) {
    std::vector<const ForeignKey*> held;
    for (const ForeignKey& key : keys) {
        if (tables.contains(objectKey(key.table)))
            held.push_back(&key);
    }
    std::stable_sort(held.begin(), held.end(), [](const ForeignKey* a, const ForeignKey* b) {
        return nameKeyLess(a->name, b->name);
    });
    return held;
}

} // namespace

ForeignKeyChanges diffForeignKeys(const std::vector<ForeignKey>& snapshot,
                                  const std::vector<ForeignKey>& target,
                                  const std::set<std::string>& snapshotTables) {
    const auto s = onTables(snapshot, snapshotTables);
    const auto g = onTables(target, snapshotTables);
    constexpr std::size_t none = static_cast<std::size_t>(-1);
    std::vector<std::size_t> partner(s.size(), none);
    std::vector<bool> dropped(g.size(), true);
    auto pair = [&](std::size_t i, auto matches) {
        for (std::size_t j = 0; j < g.size() && partner[i] == none; ++j) {
            if (dropped[j] && matches(*g[j])) {
                partner[i] = j;
                dropped[j] = false;
            }
        }
    };
    // Named keys by name; then made-up names by what the key links, a
    // made-up name on the target's side first.
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (!isSystemNamed(s[i]->name))
            pair(i, [&](const ForeignKey& k) { return compareNameKeys(k.name, s[i]->name) == 0; });
    }
    for (bool targetSystemNamed : {true, false}) {
        for (std::size_t i = 0; i < s.size(); ++i) {
            if (partner[i] == none && isSystemNamed(s[i]->name))
                pair(i, [&](const ForeignKey& k) {
                    return isSystemNamed(k.name) == targetSystemNamed && sameLink(*s[i], k);
                });
        }
    }

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
