#pragma once

#include "catalog/catalog_model.h"
#include "catalog/server_version.h"
#include "compare/dependency_pass.h"
#include "data/connection.h"
#include "script/change.h"

#include <optional>
#include <vector>

namespace dbc {

// The passes after the diff, over its changes: an Alter that ALTER COLUMN
// cannot make becomes a rebuild of its table (table_rebuild.h), reading the
// target's foreign keys (unless `standingKeys` holds them), CHECK
// constraints, table triggers and their texts only then; then, when there
// are column Alters or Drops or index drops, the dependency pass
// (dependency_pass.h) wraps the changes that objects of the target depend
// on, reading the target's foreign keys with one query unless read before.
// `snapshotTables` and `targetTables` are the two sides' tables.
void applyPostDiffPasses(Connection& target, DependencyFacts& facts,
                         std::optional<std::vector<ForeignKey>> standingKeys,
                         const std::vector<Table>& snapshotTables,
                         const std::vector<Table>& targetTables, ChangeList& changes,
                         const ServerVersion& targetVersion);

} // namespace dbc
