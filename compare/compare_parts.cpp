#include "compare/compare_parts.h"

#include "catalog/versioned_reader.h"
#include "compare/diff_catalogs.h"
#include "compare/module_order.h"
#include "snapshot/store_reader.h"

#include <algorithm>

namespace dbc {

namespace {

// The target's columns; which of them are computed only where the snapshot
// knows which of its own are (a store written before computed definitions
// were kept compares columns as before).
std::vector<Table> readTargetTables(Connection& target, const std::vector<Table>& snapshot,
                                    const ServerVersion& targetVersion) {
    std::vector<Table> tables = readTables(target, CatalogSide::Target, targetVersion);
    const bool known = std::any_of(snapshot.begin(), snapshot.end(), [](const Table& table) {
        return !table.columns.empty() && table.columns.front().computedKnown;
    });
    if (known)
        readComputed(target, tables, targetVersion);
    return tables;
}

} // namespace

bool compareTablePart(Connection& store, Connection& target, const DefaultSides& defaults,
                      std::set<std::string>& carried, ChangeList& out,
                      const ServerVersion& targetVersion) {
    const std::vector<Table> snapshot = readSnapshotTables(store);
    const std::vector<Table> targetTables = readTargetTables(target, snapshot, targetVersion);
    if (snapshot.empty())
        return false;
    diffTables(snapshot, targetTables, defaults, carried, out);
    return true;
}

bool compareIndexPart(Connection& store, Connection& target, ChangeList& out,
                      DependencyFacts* facts, const std::vector<Table>* snapshotTables,
                      const ServerVersion& targetVersion) {
    std::vector<TableIndexes> snapshot = readSnapshotIndexes(store);
    std::vector<TableIndexes> targetIndexes =
        readIndexes(target, CatalogSide::Target, targetVersion);
    const bool compared = !snapshot.empty();
    if (compared && snapshotTables)
        listTablesWithoutIndexes(snapshot, *snapshotTables);
    if (compared)
        diffIndexes(snapshot, targetIndexes, out);
    if (facts) {
        facts->indexesCompared = compared;
        facts->snapshotIndexes = std::move(snapshot);
        facts->targetIndexes = std::move(targetIndexes);
    }
    return compared;
}

bool compareModulePart(const ObjectKind& kind, Connection& store, Connection& target,
                       ChangeList& out, const ServerVersion& targetVersion) {
    std::vector<ModuleText> snapshot = readSnapshotModules(store, kind);
    if (snapshot.empty())
        return false;
    // Views and functions are refused when they name an object that does not
    // exist yet: each is created after those of its kind that it names.
    if (kind.id == ObjectKind::View || kind.id == ObjectKind::Function)
        snapshot = orderByMentions(std::move(snapshot));
    std::vector<TargetModule> answers;
    try {
        readTargetModules(target, kind, modulesToAsk(snapshot), answers, targetVersion);
    } catch (...) {
        // The answers read before the failure are still compared.
        appendModuleChanges(kind, snapshot, answers, out);
        throw;
    }
    appendModuleChanges(kind, snapshot, answers, out);
    return true;
}

void compareDefaultPart(Connection& store, Connection& target, ChangeList& out,
                        const ServerVersion& targetVersion) {
    const std::vector<DefaultConstraint> snapshot = readSnapshotDefaults(store);
    diffDefaults(snapshot, readDefaults(target, CatalogSide::Target, targetVersion), {}, out);
}

} // namespace dbc
