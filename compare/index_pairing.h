#pragma once

#include "catalog/catalog_model.h"

#include <optional>
#include <vector>

// How the index diff lines up one table's indexes of both sides; the
// dependency pass asks the same questions to find what it re-creates.

namespace dbc {

// One table's indexes of one side as the merge walks them: in name-key order
// of the index name (names equal but for letter case apart, in byte order),
// the keys of each index in key position order. Rows of one index name met
// in several places form one index, so neither the store's nor the server's
// collation decides how indexes are grouped and merged.
std::vector<Index> mergeOrder(const std::vector<const Index*>& indexes);

// Two indexes define the same index, their names aside: the same key columns
// in the same order (names matched as the target compares them), the same clustered marking and,
// where both sides know them, the same uniqueness, key constraint and directions.
bool equalDefinitions(const Index& a, const Index& b);

// The target's indexes as a snapshot without key facts sees them: compared
// and dropped as plain indexes.
std::vector<Index> withoutKeyFacts(std::vector<Index> indexes);

// The primary keys compared before the name merge: each side's index in the
// pair, where that side takes part. Both sides' primary keys pair whatever
// their names; a primary key on one side only pairs with the other side's
// index of its name, so that the index is dropped before the key takes its
// name (or the key before the index does).
struct PrimaryKeyPair {
    std::optional<std::size_t> snapshot;
    std::optional<std::size_t> target;
};

PrimaryKeyPair pairPrimaryKeys(const std::vector<Index>& snapshot,
                               const std::vector<Index>& target);

} // namespace dbc
