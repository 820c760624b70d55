#include "compare/compare_run.h"

#include "catalog/name_key.h"
#include "catalog/server_reader.h"
#include "catalog/target_catalog_reader.h"
#include "compare/definition_form.h"
#include "compare/diff_catalogs.h"
#include "compare/post_diff_passes.h"
#include "compare/target_request.h"
#include "compare/target_schemas.h"
#include "snapshot/snapshot_catalog.h"

#include <exception>

namespace dbc {

bool compareWithSnapshot(Connection& store, Connection& target, const std::string& databaseName,
                         ChangeList& out, const ServerVersion& targetVersion,
                         const ServerVersion& sourceVersion, const CompareOptions& options) {
    // Names are matched as the target database compares them, from the
    // snapshot's grouping of its rows on.
    const NameCaseScope nameRule(nameCaseOfCollation(readTargetCollation(target)));
    // 2005 and later keep definitions in a form of their own.
    const DefinitionFormScope definitionRule(sourceVersion.readsCatalogViews() ||
                                             targetVersion.readsCatalogViews());
    // Each side is read whole; a failure part way ends that side's reading
    // (the target is not asked past where the snapshot's stopped), and what
    // both sides hold is diffed before the error goes on.
    DatabaseCatalog snapshot;
    std::exception_ptr snapshotFailure;
    try {
        readSnapshotCatalog(store, snapshot);
    } catch (...) {
        snapshotFailure = std::current_exception();
    }
    orderModulesForCreate(snapshot);
    DatabaseCatalog targetCatalog;
    std::exception_ptr targetFailure;
    try {
        readTargetCatalog(target, targetRequestFor(snapshot, options.dropExtra), targetVersion,
                          targetCatalog);
    } catch (...) {
        targetFailure = std::current_exception();
    }
    CatalogDiff diff =
        diffCatalogs(snapshot, targetCatalog, {databaseName, options.dropExtra, targetVersion});
    out.insert(out.end(), std::make_move_iterator(diff.changes.begin()),
               std::make_move_iterator(diff.changes.end()));
    // The target is read only up to the part where the snapshot's reading
    // failed: a failure of its own came first.
    if (targetFailure)
        std::rethrow_exception(targetFailure);
    if (snapshotFailure)
        std::rethrow_exception(snapshotFailure);
    if (snapshot.holdsNothing)
        return false;
    applyPostDiffPasses(target, diff.facts, std::move(diff.standingKeys), snapshot.tables,
                        targetCatalog.tables, out, targetVersion);
    // Objects outside dbo need their schemas: created where the target lacks
    // them, or noted where the target's release has none.
    keepToTheTargetSchemas(target, out, targetVersion);
    return true;
}

void runCompare(Connection& store, Connection& target, const std::string& databaseName,
                ScriptBuffer& buffer, const ServerVersion& targetVersion,
                const ServerVersion& sourceVersion, const CompareOptions& options) {
    ChangeList changes;
    // The changes found go into the buffer also when the run fails part way.
    auto show = [&] {
        if (changes.empty())
            return;
        buffer.clearDisplay();
        for (const Change& change : changes)
            buffer.add(change);
    };
    try {
        compareWithSnapshot(store, target, databaseName, changes, targetVersion, sourceVersion,
                            options);
    } catch (...) {
        show();
        throw;
    }
    show();
}

} // namespace dbc
