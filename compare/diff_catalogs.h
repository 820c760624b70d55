#pragma once

#include "catalog/database_catalog.h"
#include "catalog/object_kinds.h"
#include "catalog/server_version.h"
#include "compare/dependency_pass.h"
#include "script/change.h"

#include <optional>
#include <string>
#include <vector>

namespace dbc {

// Choices of a diff beyond the two sides.
struct CatalogDiffOptions {
    std::string databaseName;
    // Drop the target's objects the snapshot lacks (extra_objects.h).
    bool dropExtra = false;
    // What the target's release cannot hold is left unscripted.
    ServerVersion targetVersion = {};
};

// What the diff of two sides yields: its changes, and what the passes after
// it (table rebuilds, the dependency pass) need of it.
struct CatalogDiff {
    // When a side was not read whole (DatabaseCatalog::readUpTo), the
    // changes of the parts both sides hold, in the order of a whole diff, cut
    // where the first part missing would have added its changes.
    ChangeList changes;
    // The target's foreign keys left standing once the foreign key diff's
    // drops (and --drop-extra's) have run; std::nullopt when the target's
    // were not read.
    std::optional<std::vector<ForeignKey>> standingKeys;
    // The indexes as compared and both sides' defaults and tables (the latter
    // pointing into the two sides, which must outlive it).
    DependencyFacts facts;
};

// The diff of a whole snapshot (`snapshot`, its views and functions in
// create order: orderModulesForCreate) against the target read for it: when
// the snapshot holds nothing, no change; else "use" + the database's name
// first, and every part after in this order, whatever the others hold:
// foreign key drops, --drop-extra's drops, tables and columns (with the CHECK
// drops before them and the changed functions' drops after those), alias
// types right after "use", function creates (computed columns that call them
// moved after them), indexes, procedures, views, triggers, default
// constraints, foreign key adds, CHECK adds; what the target's release cannot
// hold is then left unscripted (target_release.h). Parts a store written
// before does not record are not compared.
CatalogDiff diffCatalogs(const DatabaseCatalog& snapshot, const DatabaseCatalog& target,
                         const CatalogDiffOptions& options);

// Puts the snapshot's views and functions in the order they can be created
// in (module_order.h): each after those of its kind its text names.
void orderModulesForCreate(DatabaseCatalog& snapshot);

// Shared by the whole diff and the part-by-part compare:

// The snapshot's indexes, with its tables without index rows listed without
// indexes: a snapshot that records indexes records that these have none.
void listTablesWithoutIndexes(std::vector<TableIndexes>& indexes, const std::vector<Table>& tables);

// The module diff of a kind (diffModules) appended to `out`; a function's
// drops first, callers first (a function bound to another keeps it from
// being dropped).
void appendModuleChanges(const ObjectKind& kind, const std::vector<ModuleText>& snapshot,
                         const std::vector<TargetModule>& target, ChangeList& out);

} // namespace dbc
