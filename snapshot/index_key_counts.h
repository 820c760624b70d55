#pragma once

#include "data/connection.h"

#include <cstddef>
#include <optional>

namespace dbc {

// How many keys and unique indexes the snapshot's SourceIndex records, each
// index counted once, however many key columns it has.
struct IndexKeyCounts {
    std::size_t primaryKeys = 0;
    std::size_t uniqueConstraints = 0;
    std::size_t uniqueIndexes = 0; // unique, and enforcing no constraint
};

// The counts of the store on `store`; nullopt for a store captured before
// uniqueness and key constraints were recorded.
std::optional<IndexKeyCounts> countIndexKeys(Connection& store);

} // namespace dbc
