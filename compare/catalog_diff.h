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
//
// Where both sides know which columns are computed (the snapshot keeps their
// definitions), a computed column is never altered: one whose definition
// differs (compared bare, expression_text.h) or that is computed on one side
// only is dropped (DropColumn::readded) and added. Per table the target's
// computed columns are dropped first, the plain columns' changes follow, and
// the computed columns are added last; a target computed column that uses a
// column the plain changes alter or drop is dropped before them and added
// after them. Create Table lists computed columns after the plain ones.
void diffTables(const std::vector<Table>& snapshot, const std::vector<Table>& target,
                const DefaultSides& defaults, std::set<std::string>& carried, ChangeList& out);

// For each snapshot table listed (one without indexes too: its target
// indexes are all dropped): creates the indexes the target lacks, drops the
// ones the snapshot lacks, and drops and re-creates those whose key columns or
// clustered marking differ. Tables not listed are left alone.
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
// on both sides whose values differ (control bytes and blanks at their ends
// aside; a target value not read is not compared) is dropped and added; one
// with the same value yields nothing, whatever its table or column. Every
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

// What the foreign key diff writes: the drops go before every other change of
// the run (a key goes before any column, key or table it involves), the adds
// and enablings after every other change (once the tables, columns and
// referenced keys exist). `kept` are the target's keys left standing, which
// the dependency pass may have to wrap.
struct ForeignKeyChanges {
    ChangeList drops;
    ChangeList adds;
    std::vector<ForeignKey> kept;
};

// The foreign keys of the tables the snapshot holds (`snapshotTables`: their
// object keys; keys of other tables are left alone). A key the snapshot names
// is matched by name key, one whose name SQL Server made up by the table and
// columns it links (constraint_names.h). A snapshot key without a partner is
// added; one whose partner links other columns or differs in its actions or
// NOT FOR REPLICATION replaces it (dropped, then added); a partner enabled or
// disabled unlike the snapshot's key is switched. A target key without a
// partner is dropped. An added key the snapshot has disabled is disabled
// after it is added. Drops and adds each in name-key order.
ForeignKeyChanges diffForeignKeys(const std::vector<ForeignKey>& snapshot,
                                  const std::vector<ForeignKey>& target,
                                  const std::set<std::string>& snapshotTables);

// The drops and adds of a constraint diff, placed as ForeignKeyChanges'.
struct ConstraintChanges {
    ChangeList drops;
    ChangeList adds;
};

// The CHECK constraints of the tables the snapshot holds (`snapshotTables`:
// their object keys). A named constraint is matched by name key, one whose
// name SQL Server made up by table and definition. Definitions are compared
// as the server keeps them, control bytes and blanks at both ends aside; the
// column a constraint was declared on is not compared (SQL Server makes every
// CHECK added by ALTER TABLE a table-level one). Without a partner: added
// (then disabled when the snapshot has it so); other definition or NOT FOR
// REPLICATION: dropped, then added; only the enabled state differs: switched
// in place; target-only: dropped. A target constraint declared on or naming a
// column that `columnChanges` alter or drop is dropped before them and, where
// the snapshot has it, added after them.
ConstraintChanges diffChecks(const std::vector<CheckConstraint>& snapshot,
                             const std::vector<CheckConstraint>& target,
                             const std::set<std::string>& snapshotTables,
                             const ChangeList& columnChanges);

// The alias types (sp_addtype) around the changes of a run: a type of the
// snapshot's that a column created, added or altered by `changes` is of and
// that the target lacks is added (AddAliasType) at position `at`, the types
// in name-key order; a type whose base (type, length or precision, scale)
// differs between the two sides is never dropped or changed: a comment line
// (UnscriptedChange) says so at `at`, and an Alter that could only give a
// column of that type the target's type again leaves the list. A type's
// nullability is not compared: every column the script writes says its own.
void diffAliasTypes(const std::vector<AliasType>& snapshot, const std::vector<AliasType>& target,
                    std::size_t at, ChangeList& changes);

// Takes out of both lists the defaults a snapshot default with a name SQL
// Server made up (constraint_names.h) is matched with by what it is: a target
// default on the same table and column with the same value (a made-up name
// on the target's side first). Such a pair needs no statement, whatever the
// names; what is left goes to diffDefaults.
void setAsideMatchedSystemNamedDefaults(std::vector<DefaultConstraint>& snapshot,
                                        std::vector<DefaultConstraint>& target);

} // namespace dbc
