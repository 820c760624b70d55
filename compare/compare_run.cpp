#include "compare_run.h"

#include "catalog_diff.h"
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
    diffDefaults(snapshot, readServerDefaults(target, CatalogSide::Target), out);
}

bool compareWithSnapshot(Connection& store, Connection& target, const std::string& databaseName,
                         ChangeList& out) {
    ChangeList tableChanges;
    if (!compareTablePart(store, target, tableChanges))
        return false;
    out.push_back({UseDatabase{databaseName}});
    out.insert(out.end(), tableChanges.begin(), tableChanges.end());

    // Each of these ends the run when the snapshot holds none of its names.
    if (!compareIndexPart(store, target, out))
        return true;
    for (const ObjectKind* kind : objectKinds) {
        if (!compareModulePart(*kind, store, target, out))
            return true;
    }
    compareDefaultPart(store, target, out);
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
