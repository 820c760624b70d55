#include "compare_run.h"

#include "catalog_diff.h"
#include "server_reader.h"
#include "store_reader.h"

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

bool compareIndexPart(Connection& store, Connection& target, ChangeList& out) {
    const std::vector<TableIndexes> snapshot = readSnapshotIndexes(store);
    const std::vector<TableIndexes> targetIndexes = readServerIndexes(target, CatalogSide::Target);
    if (snapshot.empty())
        return false;
    diffIndexes(snapshot, targetIndexes, out);
    return true;
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

bool compareWithSnapshot(Connection& store, Connection& target, const std::string& databaseName,
                         ChangeList& out) {
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
    compareIndexPart(store, target, out);
    for (const ObjectKind* kind : objectKinds)
        compareModulePart(*kind, store, target, out);
    diffDefaults(snapshotDefaults, targetDefaults, carried, out);
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
