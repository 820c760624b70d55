#pragma once

#include "data/connection.h"

#include <cstddef>

namespace dbc::bench {

// What the floor of a compare fetched.
struct CompareRows {
    std::size_t snapshotRows = 0; // every row of every store query
    std::size_t targetRows = 0;   // column, index key and default catalog rows
    std::size_t existenceQueries = 0;
    std::size_t textQueries = 0;
};

// The floor of a compare run: the same queries, text for text and in the
// run's order, with nothing compared and nothing generated. The store's
// column rows and table names and the target's column catalog; the store's
// index keys and index table names and the target's index keys; for
// procedures, views and triggers the store's name list and stored rows, then
// the target's existence query of each name and the sp_helptext of each
// object that exists, asked for as the connection's openEach groups them; the store's and the
// target's default constraints. An empty name list ends it where it ends the run.
CompareRows fetchCompareRows(Connection& store, Connection& target);

} // namespace dbc::bench
