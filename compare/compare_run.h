#pragma once

#include "catalog/object_kinds.h"
#include "catalog/server_version.h"
#include "compare/compare_parts.h"
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

// One compare run: reads the snapshot store through `store` whole into one
// catalog model (snapshot_catalog.h), then the target's catalog through
// `target` into another, asking what the snapshot can be compared with
// (target_request.h), diffs the two (diff_catalogs.h) and appends to `out`
// the changes that bring the target into line with the snapshot. Nothing is
// executed on the target. The target's collation is read first: names are
// matched as the target compares them, from the snapshot's grouping of its
// rows on.
//
// When the snapshot holds no column rows and no procedure, view, trigger or
// function the run ends before it appends anything and returns false (the
// target's tables are still read). Otherwise (a snapshot of only views and
// procedures too; its defaults are then not compared) the first change is
// "use " + `databaseName`, and every part follows in order, whatever the
// others hold: tables and columns, functions, indexes, procedures, views,
// triggers, default constraints (an Add carries its column's default). Views
// and functions are each ordered so that one comes after those of its kind
// its text names (module_order.h); the drops of changed functions all come
// before the column changes (after the CHECK drops), callers first. Where the
// snapshot keeps computed definitions the target's are read with one query
// (the table diff then never alters a computed column); where it keeps alias
// types the target's are read with one query and the types a column needs
// go right after "use" (catalog_diff.h). Then an Alter that ALTER COLUMN
// cannot make becomes a rebuild of its table, and the dependency pass wraps
// the changes that objects of the target depend on (post_diff_passes.h),
// each reading what it needs of the target only when it has work.
//
// `targetVersion` picks how the target's catalog is read (SQL Server 2000's
// system tables by default, the sys catalog views from 2005 on); the caller
// asks the server once (readServerVersion). `sourceVersion` is the release
// the snapshot was captured from (SnapshotInfo; 2000 when not recorded).
// When either is 2005 or later, default and CHECK definitions are compared
// without the parentheses around the whole (definition_form.h), and what the
// target's release cannot hold is left unscripted (target_release.h).
//
// Errors of either connection propagate as exceptions. A read that fails
// part way leaves in `out` the changes of the parts both sides were read
// for, as far as a whole run would have added them before the failing part's
// (the answers of a module part read before the failure included), without
// the passes.
bool compareWithSnapshot(Connection& store, Connection& target, const std::string& databaseName,
                         ChangeList& out, const ServerVersion& targetVersion = {},
                         const ServerVersion& sourceVersion = {},
                         const CompareOptions& options = {});

// The run above into the script buffer. The caller has already cleared the
// buffer's statement list and connected `target`, so a failed connect leaves
// an empty list beside the old display text. A run that begins clears the
// display text and adds its changes, also those found before a failure; a
// run over a snapshot without column rows leaves the buffer alone.
void runCompare(Connection& store, Connection& target, const std::string& databaseName,
                ScriptBuffer& buffer, const ServerVersion& targetVersion = {},
                const ServerVersion& sourceVersion = {}, const CompareOptions& options = {});

} // namespace dbc
