#pragma once

#include "catalog/constraint_names.h"
#include "catalog/name_key.h"

#include <algorithm>
#include <cstddef>
#include <set>
#include <string>
#include <vector>

namespace dbc {

// The constraints (foreign keys, CHECKs) of the tables in `tables`, in name
// key order.
template <class Constraint>
std::vector<const Constraint*> constraintsOnTables(const std::vector<Constraint>& constraints,
                                                   const std::set<std::string>& tables) {
    std::vector<const Constraint*> held;
    for (const Constraint& constraint : constraints) {
        if (tables.contains(objectKey(constraint.table)))
            held.push_back(&constraint);
    }
    std::stable_sort(held.begin(), held.end(), [](const Constraint* a, const Constraint* b) {
        return nameKeyLess(a->name, b->name);
    });
    return held;
}

// How the snapshot's constraints line up with the target's: partner[i] is
// the target constraint paired with snapshot constraint i (unpaired: none),
// unpaired[j] says target constraint j has no partner.
struct ConstraintPairs {
    static constexpr std::size_t none = static_cast<std::size_t>(-1);
    std::vector<std::size_t> partner;
    std::vector<bool> unpaired;
};

// Named constraints pair by name; then those whose names SQL Server made up
// pair by what they are (`sameWhat(snapshot, target)`), a made-up name on
// the target's side first, since two databases built by one script hold
// different made-up names for the same constraint.
template <class Constraint, class SameWhat>
ConstraintPairs pairConstraints(const std::vector<const Constraint*>& snapshot,
                                const std::vector<const Constraint*>& target, SameWhat sameWhat) {
    ConstraintPairs pairs{std::vector<std::size_t>(snapshot.size(), ConstraintPairs::none),
                          std::vector<bool>(target.size(), true)};
    auto pair = [&](std::size_t i, auto matches) {
        for (std::size_t j = 0; j < target.size() && pairs.partner[i] == ConstraintPairs::none;
             ++j) {
            if (pairs.unpaired[j] && matches(*target[j])) {
                pairs.partner[i] = j;
                pairs.unpaired[j] = false;
            }
        }
    };
    for (std::size_t i = 0; i < snapshot.size(); ++i) {
        if (!isSystemNamed(snapshot[i]->name))
            pair(i, [&](const Constraint& c) {
                return compareNameKeys(c.name, snapshot[i]->name) == 0;
            });
    }
    for (bool targetSystemNamed : {true, false}) {
        for (std::size_t i = 0; i < snapshot.size(); ++i) {
            if (pairs.partner[i] == ConstraintPairs::none && isSystemNamed(snapshot[i]->name))
                pair(i, [&](const Constraint& c) {
                    return isSystemNamed(c.name) == targetSystemNamed && sameWhat(*snapshot[i], c);
                });
        }
    }
    return pairs;
}

} // namespace dbc
