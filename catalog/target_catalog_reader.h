#pragma once

#include "catalog/database_catalog.h"
#include "catalog/server_version.h"
#include "data/connection.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace dbc {

// What a compare asks of the target, decided from the snapshot and the run's
// options: the target is asked only what the snapshot can be compared with.
struct TargetRequest {
    // The snapshot holds nothing: only the target's tables are read.
    bool tablesOnly = false;
    // The snapshot knows which of its columns are computed: the target's
    // computed definitions are read too.
    bool computed = false;
    // The snapshot records foreign keys (read with the release's reader).
    bool foreignKeys = false;
    // --drop-extra: the target's droppable objects, and its foreign keys
    // (SQL Server 2000's query) where the above does not read them.
    bool droppableObjects = false;
    // The snapshot records CHECK constraints, alias types.
    bool checks = false;
    bool aliasTypes = false;
    // Per ObjectKind::Id, the names the target is asked about; std::nullopt:
    // the snapshot has no object of the kind, and none is asked.
    std::array<std::optional<std::vector<std::string>>, 4> moduleNames;
    // The part where the snapshot's reading stopped: it and the parts after
    // it are not read.
    CatalogPart upTo = CatalogPart::Whole;
};

// Reads the target's catalog into `into` in CatalogPart order through the
// reader of its release (versioned_reader.h), each part with the queries the
// part-by-part compare sent, in the same order: the tables (and computed
// definitions), the defaults, the foreign keys, the droppable objects, the
// CHECK constraints, the alias types, the functions asked for, the indexes
// (always), then the procedures, views and triggers asked for.
//
// A failure propagates as the server's exception, with `into` holding the
// parts read before it and `readUpTo` naming the part that failed; a module
// part keeps the answers read before the failure. Reading also ends, without
// an error, at `request.upTo` (`readUpTo` then names that part).
void readTargetCatalog(Connection& target, const TargetRequest& request,
                       const ServerVersion& version, DatabaseCatalog& into);

} // namespace dbc
