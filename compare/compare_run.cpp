#include "compare_run.h"

#include "catalog_diff.h"
#include "dependency_pass.h"
#include "server_reader.h"
#include "store_reader.h"

namespace dbc {

bool compareTablePart(Connection& store, Connection& target, ChangeList& out) {
    const std::vector<Table> snapshot = readSnapshotTables(store);
    const std::vector<Table> targetTables = readServerTables(target, CatalogSide::Target);
    if (snapshot.empty())
        return false;
    diffTables(snapshot, targetTables, out);
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

void compareDefaultPart(Connection& store, Connection& target, ChangeList& out,
                        DependencyFacts* facts) {
    std::vector<DefaultConstraint> snapshot = readSnapshotDefaults(store);
    std::vector<DefaultConstraint> targetDefaults = readServerDefaults(target, CatalogSide::Target);
    diffDefaults(snapshot, targetDefaults, out);
    if (facts) {
        facts->defaultsCompared = true;
        facts->snapshotDefaults = std::move(snapshot);
        facts->targetDefaults = std::move(targetDefaults);
    }
}

namespace {

// Runs the parts after the tables; each but the last ends the run when the
// snapshot holds none of its names. What the index and default parts read
// is kept for the dependency pass.
void compareLaterParts(Connection& store, Connection& target, ChangeList& out,
                       DependencyFacts& facts) {
    if (!compareIndexPart(store, target, out, &facts))
        return;
    for (const ObjectKind* kind : objectKinds) {
        if (!compareModulePart(*kind, store, target, out))
            return;
    }
    compareDefaultPart(store, target, out, &facts);
}

// Reads what the pass needs of the target beyond what the parts have read
// (the foreign keys, and the defaults when the run ended before them) and
// runs it over the changes.
void wrapDependencies(Connection& target, DependencyFacts& facts, ChangeList& changes) {
    if (!mayNeedDependencyPass(changes))
        return;
    if (!facts.defaultsCompared)
        facts.targetDefaults = readServerDefaults(target, CatalogSide::Target);
    facts.foreignKeys = readTargetForeignKeys(target);
    applyDependencyPass(changes, facts);
}

} // namespace

bool compareWithSnapshot(Connection& store, Connection& target, const std::string& databaseName,
                         ChangeList& out) {
    ChangeList tableChanges;
    if (!compareTablePart(store, target, tableChanges))
        return false;
    out.push_back({UseDatabase{databaseName}});
    out.insert(out.end(), tableChanges.begin(), tableChanges.end());

    // A failure part way leaves the changes found so far, without the pass.
    DependencyFacts facts;
    compareLaterParts(store, target, out, facts);
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
