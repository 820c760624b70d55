#pragma once

#include "catalog/object_kinds.h"
#include "catalog/server_version.h"
#include "compare/catalog_diff.h"
#include "compare/dependency_pass.h"
#include "data/connection.h"
#include "script/change.h"

#include <set>
#include <string>
#include <vector>

namespace dbc {

// One part of a compare on its own, read and diffed together. Each reads the
// snapshot's rows of its part, then the target's, and appends its changes
// (see catalog_diff.h); each but the last returns false, appending nothing,
// when the snapshot has no names in its part. The default part on its own
// carries nothing into Adds. `facts`, when given, receives what the index
// part read, for the dependency pass. Given the snapshot's tables, the index
// part also compares those without index rows (their target indexes are
// surplus), when the snapshot has index rows at all.
bool compareTablePart(Connection& store, Connection& target, const DefaultSides& defaults,
                      std::set<std::string>& carried, ChangeList& out,
                      const ServerVersion& targetVersion = {});
bool compareIndexPart(Connection& store, Connection& target, ChangeList& out,
                      DependencyFacts* facts = nullptr,
                      const std::vector<Table>* snapshotTables = nullptr,
                      const ServerVersion& targetVersion = {});
bool compareModulePart(const ObjectKind& kind, Connection& store, Connection& target,
                       ChangeList& out, const ServerVersion& targetVersion = {});
void compareDefaultPart(Connection& store, Connection& target, ChangeList& out,
                        const ServerVersion& targetVersion = {});

} // namespace dbc
