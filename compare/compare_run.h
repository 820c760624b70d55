#pragma once

#include "catalog/object_kinds.h"
#include "catalog/server_version.h"
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
// When the snapshot holds no column rows and no procedure, view, trigger or
// function
// the run ends before it appends anything and returns false. Otherwise (a
// snapshot of only views and procedures too; its defaults are then not
// compared) the default constraints of both sides
// are read (an Add carries its column's default), the first change is "use "
// + `databaseName`, and every part follows in order, whatever the others
// hold: tables and columns, functions, indexes, procedures, views, triggers,
// default constraints. Views and functions are each ordered so that one comes
// after those of its kind its text names (module_order.h); the drops of
// changed functions all come before the column changes (after the CHECK
// drops), callers first. Where the snapshot keeps computed definitions the
// target's are read with one query (the table diff then never alters a
// computed column); where it keeps alias types the target's are read with one
// query and the types a column needs go right after "use" (catalog_diff.h).
// Each part reads the snapshot's rows, then the target's, then appends its
// changes. Then an Alter that ALTER COLUMN cannot make becomes a rebuild of
// its table (table_rebuild.h), reading the target's CHECK constraints and
// triggers only then. Last, when there are column Alters or Drops or index drops, the
// dependency pass (dependency_pass.h) wraps the changes that objects of the
// target depend on, reading the target's foreign keys with one query.
//
// `targetVersion` picks how the target's catalog is read (SQL Server 2000's
// system tables by default, the sys catalog views from 2005 on); the caller
// asks the server once (readServerVersion). `sourceVersion` is the release
// the snapshot was captured from (SnapshotInfo; 2000 when not recorded).
// When either is 2005 or later, default and CHECK definitions are compared
// without the parentheses around the whole (definition_form.h), and what the
// target's release cannot hold is left unscripted (target_release.h).
//
// Errors of either connection propagate as exceptions; the changes appended
// before the failure stay in `out`.
bool compareWithSnapshot(Connection& store, Connection& target, const std::string& databaseName,
                         ChangeList& out, const ServerVersion& targetVersion = {},
                         const ServerVersion& sourceVersion = {},
                         const CompareOptions& options = {});

// The parts of a run. Each reads the snapshot's rows of its part, then the
// target's, and appends its changes (see catalog_diff.h); each but the last
// returns false, appending nothing, when the snapshot has no names in its
// part. The default part on its own carries nothing into Adds. `facts`, when
// given, receives what the index part read, for the dependency pass. Given
// the snapshot's tables, the index part also compares those without index
// rows (their target indexes are surplus), when the snapshot has index rows
// at all.
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

// The run above into the script buffer. The caller has already cleared the
// buffer's statement list and connected `target`, so a failed connect leaves
// an empty list beside the old display text. A run that begins clears the
// display text and adds its changes, also those found before a failure; a
// run over a snapshot without column rows leaves the buffer alone.
void runCompare(Connection& store, Connection& target, const std::string& databaseName,
                ScriptBuffer& buffer, const ServerVersion& targetVersion = {},
                const ServerVersion& sourceVersion = {}, const CompareOptions& options = {});

} // namespace dbc
