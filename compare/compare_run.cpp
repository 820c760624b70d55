#include "compare/compare_run.h"

#include "catalog/name_key.h"
#include "catalog/server_reader.h"
#include "compare/catalog_diff.h"
#include "compare/dependency_pass.h"
#include "compare/extra_objects.h"
#include "compare/table_rebuild.h"
#include "snapshot/store_queries.h"
#include "snapshot/store_reader.h"

#include <algorithm>
#include <optional>

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

namespace {

// The snapshot's tables without index rows, listed without indexes: a
// snapshot that records indexes records that these have none.
void listTablesWithoutIndexes(std::vector<TableIndexes>& indexes,
                              const std::vector<Table>& tables) {
    std::set<std::string> listed;
    for (const TableIndexes& table : indexes)
        listed.insert(objectKey(table.table));
    for (const Table& table : tables) {
        if (listed.insert(objectKey(table.name)).second)
            indexes.push_back({table.name, {}});
    }
}

} // namespace

bool compareIndexPart(Connection& store, Connection& target, ChangeList& out,
                      DependencyFacts* facts, const std::vector<Table>* snapshotTables) {
    std::vector<TableIndexes> snapshot = readSnapshotIndexes(store);
    std::vector<TableIndexes> targetIndexes = readServerIndexes(target, CatalogSide::Target);
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

// Runs the dependency pass over the changes with the target's foreign keys
// that the run leaves standing: `kept` when the foreign key diff ran, else
// all of them, read here only when the pass may have work.
void wrapDependencies(Connection& target, DependencyFacts& facts,
                      std::optional<std::vector<ForeignKey>> kept, ChangeList& changes) {
    if (!mayNeedDependencyPass(changes))
        return;
    facts.foreignKeys =
        kept ? std::move(*kept) : readServerForeignKeys(target, CatalogSide::Target);
    applyDependencyPass(changes, facts);
}

bool holdsModules(Connection& store) {
    for (const ObjectKind* kind : objectKinds) {
        if (!store.open(store_sql::moduleNames(*kind)).empty())
            return true;
    }
    return false;
}

std::set<std::string> tableKeys(const std::vector<Table>& tables) {
    std::set<std::string> keys;
    for (const Table& table : tables)
        keys.insert(objectKey(table.name));
    return keys;
}

} // namespace

namespace {

// The target's foreign keys that stand once the foreign key diff's drops
// (and --drop-extra's) have run: read once, when first asked for.
class StandingKeys {
public:
    StandingKeys(Connection& target, std::optional<std::vector<ForeignKey>> kept)
        : m_target(target), m_keys(std::move(kept)) {}

    std::vector<ForeignKey>& get() {
        if (!m_keys)
            m_keys = readServerForeignKeys(m_target, CatalogSide::Target);
        return *m_keys;
    }
    std::optional<std::vector<ForeignKey>> take() { return std::move(m_keys); }

    // Forgets the keys of the tables dropped and the keys dropped.
    void forget(const std::set<std::string>& tables, const ChangeList& drops) {
        if (!m_keys)
            return;
        std::erase_if(*m_keys, [&](const ForeignKey& key) {
            if (tables.contains(objectKey(key.table)) ||
                tables.contains(objectKey(key.referencedTable)))
                return true;
            return std::any_of(drops.begin(), drops.end(), [&](const Change& change) {
                const auto* drop = std::get_if<DropForeignKey>(&change.record);
                return drop && compareNameKeys(drop->key.name, key.name) == 0;
            });
        });
    }

private:
    Connection& m_target;
    std::optional<std::vector<ForeignKey>> m_keys;
};

std::set<std::string> moduleKeys(Connection& store, const ObjectKind& kind) {
    std::set<std::string> keys;
    const Result rows = store.open(store_sql::moduleNames(kind));
    for (const auto& row : rows.rows())
        keys.insert(objectKey(row.at(0)));
    return keys;
}

// --drop-extra: what the target has and the snapshot lacks, dropped after
// the foreign key diff's drops.
ChangeList extraObjectDrops(Connection& store, Connection& target,
                            const std::vector<Table>& snapshotTables,
                            const ChangeList& foreignKeyDrops, StandingKeys& standing) {
    SnapshotObjects snapshot;
    snapshot.tablesRecorded = !snapshotTables.empty();
    for (const Table& table : snapshotTables)
        snapshot.tables.insert(objectKey(table.name));
    snapshot.procedures = moduleKeys(store, procedureKind);
    snapshot.views = moduleKeys(store, viewKind);
    snapshot.triggers = moduleKeys(store, triggerKind);
    std::set<std::string> alreadyDropped;
    for (const Change& change : foreignKeyDrops) {
        if (const auto* drop = std::get_if<DropForeignKey>(&change.record))
            alreadyDropped.insert(nameKey(drop->key.name));
    }
    ChangeList drops =
        dropExtraObjects(readDroppableObjects(target), snapshot, standing.get(), alreadyDropped);
    standing.forget(droppedTables(drops), drops);
    return drops;
}

// Table rebuilds for the Alters ALTER COLUMN cannot make, read of the target
// only when there is one.
void planRebuilds(Connection& target, DependencyFacts& facts, const std::vector<Table>& snapshot,
                  const std::vector<Table>& targetTables, StandingKeys& standing,
                  ChangeList& changes) {
    if (!mayNeedRebuild(changes))
        return;
    facts.foreignKeys = standing.get();
    RebuildFacts rebuild{facts, readServerChecks(target), readTableTriggers(target), {}, {}};
    std::vector<std::string> triggerNames;
    for (const TableTrigger& trigger : rebuild.targetTriggers)
        triggerNames.push_back(trigger.name);
    readTargetModules(target, triggerKind, triggerNames, rebuild.triggerTexts);
    for (const std::vector<Table>* side : {&snapshot, &targetTables}) {
        for (const Table& table : *side)
            rebuild.takenNames.insert(objectKey(table.name));
    }
    applyTableRebuilds(changes, rebuild);
}

} // namespace

bool compareWithSnapshot(Connection& store, Connection& target, const std::string& databaseName,
                         ChangeList& out, const CompareOptions& options) {
    // Names are matched as the target database compares them, from the
    // snapshot's grouping of its rows on.
    const NameCaseScope nameRule(nameCaseOfCollation(readTargetCollation(target)));
    const std::vector<Table> snapshotTables = readSnapshotTables(store);
    const std::vector<Table> targetTables = readServerTables(target, CatalogSide::Target);
    // A snapshot without tables is compared when it holds procedures, views
    // or triggers; one holding none of them either holds nothing.
    const bool tablesHeld = !snapshotTables.empty();
    if (!tablesHeld && !holdsModules(store))
        return false;
    // Both sides' defaults first: an Add of a column carries its default.
    const std::vector<DefaultConstraint> snapshotDefaults = readSnapshotDefaults(store);
    const std::vector<DefaultConstraint> targetDefaults =
        readServerDefaults(target, CatalogSide::Target);
    // Foreign keys only where the snapshot records them. Their drops come
    // before everything, their adds after everything.
    ForeignKeyChanges keyChanges;
    std::optional<std::vector<ForeignKey>> keptKeys;
    if (const auto snapshotKeys = readSnapshotForeignKeys(store)) {
        keyChanges =
            diffForeignKeys(*snapshotKeys, readServerForeignKeys(target, CatalogSide::Target),
                            tableKeys(snapshotTables));
        keptKeys = std::move(keyChanges.kept);
    }
    out.push_back({UseDatabase{databaseName}});
    out.insert(out.end(), keyChanges.drops.begin(), keyChanges.drops.end());
    StandingKeys standing(target, std::move(keptKeys));
    if (options.dropExtra) {
        const ChangeList extras =
            extraObjectDrops(store, target, snapshotTables, keyChanges.drops, standing);
        out.insert(out.end(), extras.begin(), extras.end());
    }
    std::set<std::string> carried;
    const std::size_t columnChangesAt = out.size();
    diffTables(snapshotTables, targetTables, {snapshotDefaults, targetDefaults}, carried, out);
    // CHECK constraints where the snapshot records them; one in the way of a
    // column change is dropped before it.
    ConstraintChanges checkChanges;
    if (const auto snapshotChecks = readSnapshotChecks(store)) {
        checkChanges =
            diffChecks(*snapshotChecks, readServerChecks(target), tableKeys(snapshotTables), out);
        out.insert(out.begin() + static_cast<std::ptrdiff_t>(columnChangesAt),
                   checkChanges.drops.begin(), checkChanges.drops.end());
    }

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
    compareIndexPart(store, target, out, &facts, &snapshotTables);
    for (const ObjectKind* kind : objectKinds)
        compareModulePart(*kind, store, target, out);
    // Without tables the snapshot says nothing of the target's defaults;
    // defaults of tables only the target has are left alone with their tables.
    if (tablesHeld) {
        std::vector<DefaultConstraint> snapshotSide = snapshotDefaults;
        std::vector<DefaultConstraint> targetSide = targetDefaults;
        setAsideMatchedSystemNamedDefaults(snapshotSide, targetSide);
        const std::set<std::string> heldTables = heldTableKeys(snapshotTables);
        diffDefaults(snapshotSide, targetSide, carried, out, &heldTables);
    }
    out.insert(out.end(), keyChanges.adds.begin(), keyChanges.adds.end());
    out.insert(out.end(), checkChanges.adds.begin(), checkChanges.adds.end());
    planRebuilds(target, facts, snapshotTables, targetTables, standing, out);
    wrapDependencies(target, facts, standing.take(), out);
    return true;
}

void runCompare(Connection& store, Connection& target, const std::string& databaseName,
                ScriptBuffer& buffer, const CompareOptions& options) {
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
        compareWithSnapshot(store, target, databaseName, changes, options);
    } catch (...) {
        show();
        throw;
    }
    show();
}

} // namespace dbc
