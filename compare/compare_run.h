#pragma once

#include "catalog/object_kinds.h"
#include "compare/catalog_diff.h"
#include "compare/dependency_pass.h"
#include "data/connection.h"
#include "script/change.h"
#include "script/script_buffer.h"

#include <set>
#include <string>

namespace dbc {

// Choices of a compare run beyond the snapshot and the target.
struct CompareOptions {
    // Drop the target's tables, views, procedures, triggers and functions
    // the snapshot lacks (extra_objects.h), right after the foreign key
    // diff's drops. Without it they are left alone.
    bool dropExtra = false;
};

// One compare run: reads the snapshot store through `store` and the target's
// catalog through `target`, part by part, and appends to `out` the changes
// that bring the target into line with the snapshot. Nothing is executed on
// the target.
//
// When the snapshot holds no column rows and no procedure, view or trigger
// the run ends before it appends anything and returns false. Otherwise (a
// snapshot of only views and procedures too; its defaults are then not
// compared) the default constraints of both sides
// are read (an Add carries its column's default), the first change is "use "
// + `databaseName`, and every part follows in order, whatever the others
// hold: tables and columns, indexes, procedures, views, triggers, default
// constraints. Each part reads the snapshot's rows, then the target's, then
// appends its changes. Then an Alter that ALTER COLUMN cannot make becomes a
// rebuild of its table (table_rebuild.h), reading the target's CHECK
// constraints and triggers only then. Last, when there are column Alters or Drops or index
// drops, the dependency pass (dependency_pass.h) wraps the changes that
// objects of the target depend on, reading the target's foreign keys with one
// query.
//
// Errors of either connection propagate as exceptions; the changes appended
// before the failure stay in `out`.
bool compareWithSnapshot(Connection& store, Connection& target, const std::string& databaseName,
                         ChangeList& out, const CompareOptions& options = {});

// The parts of a run. Each reads the snapshot's rows of its part, then the
// target's, and appends its changes (see catalog_diff.h); each but the last
// returns false, appending nothing, when the snapshot has no names in its
// part. The default part on its own carries nothing into Adds. `facts`, when
// given, receives what the index part read, for the dependency pass. Given
// the snapshot's tables, the index part also compares those without index
// rows (their target indexes are surplus), when the snapshot has index rows
// at all.
bool compareTablePart(Connection& store, Connection& target, const DefaultSides& defaults,
                      std::set<std::string>& carried, ChangeList& out);
bool compareIndexPart(Connection& store, Connection& target, ChangeList& out,
                      DependencyFacts* facts = nullptr,
                      const std::vector<Table>* snapshotTables = nullptr);
bool compareModulePart(const ObjectKind& kind, Connection& store, Connection& target,
                       ChangeList& out);
void compareDefaultPart(Connection& store, Connection& target, ChangeList& out);

// The run above into the script buffer. The caller has already cleared the
// buffer's statement list and connected `target`, so a failed connect leaves
// an empty list beside the old display text. A run that begins clears the
// display text and adds its changes, also those found before a failure; a
// run over a snapshot without column rows leaves the buffer alone.
void runCompare(Connection& store, Connection& target, const std::string& databaseName,
                ScriptBuffer& buffer, const CompareOptions& options = {});

} // namespace dbc
