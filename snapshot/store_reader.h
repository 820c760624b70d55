#pragma once

#include "catalog/catalog_model.h"
#include "catalog/object_kinds.h"
#include "data/connection.h"

#include <optional>
#include <vector>

namespace dbc {

// Reads a snapshot store into the catalog model, through the store's
// connection. Each part is a list of names (the store's distinct names, in
// the order the store gives them, a name left out when it matches an earlier
// one by object key) with the rows whose name matches it by object key, in
// stored order: names are matched as SQL Server matches them, ASCII letter
// case and trailing blanks aside. A name without rows keeps an empty entry.
//
// A field that an older store does not have reads as the empty text, so a
// store written by an earlier version compares as it did.

// The columns of every table (SourceTable), with the column rows first and
// the table names second. Each column knows whether it is computed where the
// store keeps computed definitions (ComputedText).
std::vector<Table> readSnapshotTables(Connection& store);

// The indexes of every table that has index rows (SourceIndex). Rows are
// grouped into indexes where the index name changes.
std::vector<TableIndexes> readSnapshotIndexes(Connection& store);

// The procedures, views, triggers or functions (SourceSp, SourceView,
// SourceTR, SourceFN), the name list first and the text rows second. A store
// written before SourceFN was added holds no functions: the compare then
// has nothing to say about the target's.
std::vector<ModuleText> readSnapshotModules(Connection& store, const ObjectKind& kind);

// The default constraints (SourceDF) in the store's name order.
std::vector<DefaultConstraint> readSnapshotDefaults(Connection& store);

// The foreign keys (SourceFK), each key's columns in key order, keys in the
// store's name order; std::nullopt for a store written before foreign keys
// were kept, whose foreign keys are unknown.
std::optional<std::vector<ForeignKey>> readSnapshotForeignKeys(Connection& store);

// The CHECK constraints (SourceCK) in the store's name order; std::nullopt
// for a store written before they were kept.
std::optional<std::vector<CheckConstraint>> readSnapshotChecks(Connection& store);

// The alias types (SourceType) in the store's name order; std::nullopt for a
// store written before they were kept.
std::optional<std::vector<AliasType>> readSnapshotAliasTypes(Connection& store);

} // namespace dbc
