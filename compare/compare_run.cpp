#include "compare/compare_run.h"

#include "catalog/name_key.h"
#include "catalog/server_reader.h"
#include "compare/catalog_diff.h"
#include "compare/dependency_pass.h"
#include "snapshot/store_reader.h"

namespace dbc {

bool compareTablePart(Connection& store, Connection& target, const DefaultSides& defaults,
                      std::set<std::string>& carried, ChangeList& out) {
    const std::vector<Table> snapshot = readSnapshotTables(store);
    const std::vector<Table> targetTables = readServerTables(target, CatalogSide::Target);
    if (snapshot.empty())
        return false;
    diffTables(snapshot, targetTables, defaults, carried, out);
    return true;
}

bool compareIndexPart(Connection& store, Connection& target, ChangeList& out,
                      DependencyFacts* facts) {
    std::vector<TableIndexes> snapshot = readSnapshotIndexes(store);
    std::vector<TableIndexes> targetIndexes = readServerIndexes(target, CatalogSide::Target);
    const bool compared = !snapshot.empty();
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
                       ChangeList& out) {
    const std::vector<ModuleText> snapshot = readSnapshotModules(store, kind);
    if (snapshot.empty())
        return false;
    std::vector<TargetModule> answers;
    try {
        readTargetModules(target, kind, modulesToAsk(snapshot), answers);
    } catch (...) {
        // The answers read before the failure are still compared.
        diffModules(kind, snapshot, answers, out);
        throw;
    }
    diffModules(kind, snapshot, answers, out);
    return true;
}

void compareDefaultPart(Connection& store, Connection& target, ChangeList& out) {
    const std::vector<DefaultConstraint> snapshot = readSnapshotDefaults(store);
    diffDefaults(snapshot, readServerDefaults(target, CatalogSide::Target), {}, out);
}

namespace {

// Reads what the pass needs of the target beyond what the parts have read
// (the foreign keys) and runs it over the changes.
void wrapDependencies(Connection& target, DependencyFacts& facts, ChangeList& changes) {
    if (!mayNeedDependencyPass(changes))
        return;
    facts.foreignKeys = readTargetForeignKeys(target);
    applyDependencyPass(changes, facts);
}

} // namespace

bool compareWithSnapshot(Connection& store, Connection& target, const std::string& databaseName,
                         ChangeList& out) {
    // Names are matched as the target database compares them, from the
    // snapshot's grouping of its rows on.
    const NameCaseScope nameRule(nameCaseOfCollation(readTargetCollation(target)));
    const std::vector<Table> snapshotTables = readSnapshotTables(store);
    const std::vector<Table> targetTables = readServerTables(target, CatalogSide::Target);
    if (snapshotTables.empty())
        return false;
    // Both sides' defaults first: an Add of a column carries its default.
    const std::vector<DefaultConstraint> snapshotDefaults = readSnapshotDefaults(store);
    const std::vector<DefaultConstraint> targetDefaults =
        readServerDefaults(target, CatalogSide::Target);
    out.push_back({UseDatabase{databaseName}});
    std::set<std::string> carried;
    diffTables(snapshotTables, targetTables, {snapshotDefaults, targetDefaults}, carried, out);

    // Every part runs whatever the others hold: a snapshot without indexes or
    // triggers still has its procedures, views and defaults compared.
    // What the index part reads and both sides' defaults are kept for the
    // dependency pass; a failure part way leaves the changes found so far,
    // without the pass.
    DependencyFacts facts;
    facts.snapshotTables = &snapshotTables;
    facts.targetTables = &targetTables;
    facts.snapshotDefaults = snapshotDefaults;
    facts.targetDefaults = targetDefaults;
    compareIndexPart(store, target, out, &facts);
    for (const ObjectKind* kind : objectKinds)
        compareModulePart(*kind, store, target, out);
    // Defaults of tables only the target has are left alone with their tables.
    const std::set<std::string> heldTables = heldTableKeys(snapshotTables);
    diffDefaults(snapshotDefaults, targetDefaults, carried, out, &heldTables);
    wrapDependencies(target, facts, out);
    return true;
}

void runCompare(Connection& store, Connection& target, const std::string& databaseName,
                ScriptBuffer& buffer) {
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
        compareWithSnapshot(store, target, databaseName, changes);
    } catch (...) {
        show();
        throw;
    }
    show();
}

} // namespace dbc
