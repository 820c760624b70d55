#pragma once

#include "catalog/catalog_model.h"
#include "script/change.h"

#include <vector>

namespace dbc {

// What the dependency pass knows of both sides, read once per run (never per
// column): the indexes and defaults the diffs have read, and the target's
// foreign keys.
struct DependencyFacts {
    // False when the snapshot holds no index: the index diff then leaves the
    // target's indexes alone, and what the pass drops it puts back in the
    // target's own form.
    bool indexesCompared = false;
    std::vector<TableIndexes> snapshotIndexes;
    std::vector<TableIndexes> targetIndexes;
    // The default diff always runs, so the snapshot's defaults are the ones
    // put back.
    std::vector<DefaultConstraint> snapshotDefaults;
    std::vector<DefaultConstraint> targetDefaults;
    std::vector<ForeignKey> foreignKeys;
    // Both sides' columns, when given: a foreign key is only dropped around
    // an Alter where its columns and the referenced ones will still be of one
    // type, length and scale afterwards (else SQL Server refuses to put it
    // back, 1753).
    const std::vector<Table>* snapshotTables = nullptr;
    const std::vector<Table>* targetTables = nullptr;
};

// True when `changes` hold a column Alter or Drop or an index drop: only then
// can the dependency pass have work, and only then does a run read the
// target's foreign keys.
bool mayNeedDependencyPass(const ChangeList& changes);

// SQL Server refuses to alter or drop a column that an index, a key
// constraint, a default or a foreign key depends on, and to drop a key that
// a foreign key references. This pass wraps such changes so one execute
// carries them out:
//
// - Before each Alter or Drop of column c of table T it drops the target's
//   objects that depend on c: foreign keys of T that contain c and foreign
//   keys (of any table) that reference columns of T including c, then the
//   indexes and key constraints of T with c among their key columns, then
//   the default constraint on c. After the table's last column change it
//   re-creates them: an index or key in the snapshot's form (the snapshot's
//   index of that name, or its primary key for the target's primary key), the
//   snapshot's defaults of the dropped defaults' names and the snapshot's
//   default for T.c, and foreign keys in the target's own form. After a Drop,
//   what still involves c is not re-created. An object needed by several
//   changes is dropped before the first and re-created after the last.
// - Before each drop of a target index that foreign keys reference (a primary
//   key or unique constraint whose definition changed), those foreign keys
//   are dropped, and re-created after the table's last index statement.
//
// A computed column dropped to be added again (DropColumn::readded) counts
// as changed, like an Alter: the indexes on it come back after its Add.
//
// An Alter that carries IDENTITY or differs only in the identity flag is left
// alone (ALTER COLUMN cannot do it whatever is dropped around it), and so is
// an Alter or key drop after which a foreign key could not come back (its
// referenced key gone, or its columns no longer of the referenced columns'
// type, length and scale): the change stays refused and reported rather than
// the foreign key lost unseen. A foreign key put back keeps the target's
// state: disabled, NOT FOR REPLICATION, not trusted (WITH NOCHECK).
//
// What the pass drops and re-creates, the index and default diffs no longer
// write: their changes for those indexes and defaults leave the list. An
// index or default that the snapshot lacks is dropped and not re-created
// where its diff would drop it anyway; where no diff looks after it, it is
// re-created in the target's form.
void applyDependencyPass(ChangeList& changes, const DependencyFacts& facts);

} // namespace dbc
