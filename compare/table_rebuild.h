#pragma once

#include "catalog/catalog_model.h"
#include "catalog/server_reader.h"
#include "compare/dependency_pass.h"
#include "script/change.h"

#include <set>
#include <string>
#include <vector>

namespace dbc {

// True when ALTER COLUMN cannot turn the target's column into the
// snapshot's: the identity property differs, the snapshot's column is an
// identity column (an Alter that writes IDENTITY is refused), or either
// side's type is text, ntext, image or timestamp (SQL Server 2000 alters
// none of them).
bool alterNeedsRebuild(const AlterColumn& change);

// True when an Alter in `changes` needs a rebuild: only then does a run read
// the target's CHECK constraints and triggers for it.
bool mayNeedRebuild(const ChangeList& changes);

// What a rebuild needs of the target beyond the dependency pass's facts.
struct RebuildFacts {
    // Indexes, defaults, both sides' tables, and the target's foreign keys
    // that stand when the rebuild runs (those the foreign key diff does not
    // drop first).
    const DependencyFacts& dependencies;
    std::vector<CheckConstraint> targetChecks;
    std::vector<TableTrigger> targetTriggers;
    // The target's answers for those triggers: existence and text.
    std::vector<TargetModule> triggerTexts;
    // Object keys of the names the target already uses for tables, and the
    // snapshot's tables: a temporary name is none of them.
    std::set<std::string> takenNames;
};

// For each table with an Alter that needs a rebuild, the table's column
// changes make way for one RebuildTable at the place of the first:
//
// - the new table is the snapshot's (columns as Create Table writes them);
//   the columns both sides have are copied, a column only the snapshot has
//   is filled with its default's value where an Add would have carried that
//   default, else left to its identity values, NULL or refusal;
// - the target's foreign keys of the table and those that reference it are
//   dropped before the old table and put back as they were (disabled, NOT
//   FOR REPLICATION and unchecked rows kept), except those over a column the
//   new table lacks;
// - the indexes and keys come back in the snapshot's form where the index
//   diff looks after the table (its index changes for the table leave the
//   list), else in the target's; the target's defaults, CHECK constraints
//   (those the CHECK diff does not drop) and triggers come back as they
//   were, on the columns the new table keeps, and the defaults Adds would
//   have carried are added. The default, CHECK and trigger diffs then do
//   their usual work after it.
//
// A table is not rebuilt where something would be lost on the way: a foreign
// key that could not come back (its referenced key gone, or its columns no
// longer of the referenced columns' type, length and scale), a trigger whose
// text the target will not give, or a decimal column whose scale the
// snapshot does not hold. Its changes then stay as they were, the refused
// Alter among them, after a comment line that says why.
void applyTableRebuilds(ChangeList& changes, const RebuildFacts& facts);

// The temporary name of a rebuild of `table`: "Tmp_" + the name, cut to
// SQL Server's 128 characters and numbered ("_2", ...) until it is none of
// `taken` (object keys).
std::string temporaryTableName(const std::string& table, const std::set<std::string>& taken);

} // namespace dbc
