#pragma once

#include "catalog/catalog_model.h"
#include "catalog/object_kinds.h"
#include "script/change.h"

#include <set>
#include <string>
#include <vector>

// The diff of the snapshot's model against the target's, one part of the
// catalog at a time. Names are matched by name key (ASCII letter case aside;
// tables and objects also trailing blanks aside) and merged in name-key order.
// Each function appends its changes to `out`.

namespace dbc {

// Both sides' default constraints, read before the tables are diffed so that
// an Add can carry its column's default.
struct DefaultSides {
    const std::vector<DefaultConstraint>& snapshot;
    const std::vector<DefaultConstraint>& target;
};

// For each snapshot table in order: Create Table when the target has no table
// of that name, else the columns of both sides merged by name key: Add for a
// column only the snapshot has, Alter for one whose definition (type, length,
// nullability, collation, identity, and the scale where both sides know it)
// differs, Drop for one only the target has. Tables only the target has are
// left alone. An Add carries the snapshot's default of its column unless the
// target has a constraint of that name; the name key of each default carried
// goes into `carried`.
void diffTables(const std::vector<Table>& snapshot, const std::vector<Table>& target,
                const DefaultSides& defaults, std::set<std::string>& carried, ChangeList& out);

// For each snapshot table that has indexes: creates the indexes the target
// lacks, drops the ones the snapshot lacks, and drops and re-creates those
// whose key columns or clustered marking differ. Tables without snapshot
// indexes are left alone.
void diffIndexes(const std::vector<TableIndexes>& snapshot, const std::vector<TableIndexes>& target,
                 ChangeList& out);

// The names of the snapshot's objects of a kind that the target is asked
// about: those with stored text, in order.
std::vector<std::string> modulesToAsk(const std::vector<ModuleText>& snapshot);

// For each snapshot object with stored text, with `target` answering them in
// order (objects past the last answer are left out): creates a missing one,
// drops and re-creates one whose text differs or cannot be read. Each
// statement has a "Go" before it. Objects only the target has are never
// touched.
void diffModules(const ObjectKind& kind, const std::vector<ModuleText>& snapshot,
                 const std::vector<TargetModule>& target, ChangeList& out);

// Over the whole database: adds a snapshot constraint whose name the target
// lacks (unless an Add of its column carried it: its name key is in
// `carried`), drops a target constraint whose name the snapshot lacks. A name
// on both sides yields nothing, whatever its value, table or column. Every
// drop comes first, then every add, each in name-key order, so a column's
// old default is gone before its new one is added. With `heldTables` (the
// name keys of the snapshot's tables), a target constraint on a table the
// snapshot lacks is never dropped: such a table is left alone.
void diffDefaults(const std::vector<DefaultConstraint>& snapshot,
                  const std::vector<DefaultConstraint>& target,
                  const std::set<std::string>& carried, ChangeList& out,
                  const std::set<std::string>* heldTables = nullptr);

// The name keys of the tables a snapshot holds (those with column rows).
std::set<std::string> heldTableKeys(const std::vector<Table>& snapshot);

} // namespace dbc
