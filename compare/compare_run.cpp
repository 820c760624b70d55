#include "compare/compare_run.h"

#include "catalog/name_key.h"
#include "catalog/versioned_reader.h"
#include "compare/catalog_diff.h"
#include "compare/definition_form.h"
#include "compare/dependency_pass.h"
#include "compare/extra_objects.h"
#include "compare/module_order.h"
#include "compare/table_rebuild.h"
#include "compare/target_release.h"
#include "compare/target_schemas.h"
#include "snapshot/store_queries.h"
#include "snapshot/store_reader.h"

#include <algorithm>
#include <optional>

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

namespace {

// Views and functions are refused when they name an object that does not
// exist yet: each is created after those of its kind that it names.
bool resolvesNamesOnCreate(const ObjectKind& kind) {
    return kind.id == ObjectKind::View || kind.id == ObjectKind::Function;
}

} // namespace

bool compareModulePart(const ObjectKind& kind, Connection& store, Connection& target,
                       ChangeList& out, const ServerVersion& targetVersion) {
    std::vector<ModuleText> snapshot = readSnapshotModules(store, kind);
    if (snapshot.empty())
        return false;
    if (resolvesNamesOnCreate(kind))
        snapshot = orderByMentions(std::move(snapshot));
    ChangeList changes;
    // A function bound to another (WITH SCHEMABINDING) keeps it from being
    // dropped: every changed function is dropped, callers first, before any
    // is created.
    auto append = [&] {
        if (kind.id == ObjectKind::Function)
            moveModuleDropsFirst(changes);
        out.insert(out.end(), std::make_move_iterator(changes.begin()),
                   std::make_move_iterator(changes.end()));
    };
    std::vector<TargetModule> answers;
    try {
        readTargetModules(target, kind, modulesToAsk(snapshot), answers, targetVersion);
    } catch (...) {
        // The answers read before the failure are still compared.
        diffModules(kind, snapshot, answers, changes);
        append();
        throw;
    }
    diffModules(kind, snapshot, answers, changes);
    append();
    return true;
}

void compareDefaultPart(Connection& store, Connection& target, ChangeList& out,
                        const ServerVersion& targetVersion) {
    const std::vector<DefaultConstraint> snapshot = readSnapshotDefaults(store);
    diffDefaults(snapshot, readDefaults(target, CatalogSide::Target, targetVersion), {}, out);
}

namespace {

// Runs the dependency pass over the changes with the target's foreign keys
// that the run leaves standing: `kept` when the foreign key diff ran, else
// all of them, read here only when the pass may have work.
void wrapDependencies(Connection& target, DependencyFacts& facts,
                      std::optional<std::vector<ForeignKey>> kept, ChangeList& changes,
                      const ServerVersion& targetVersion) {
    if (!mayNeedDependencyPass(changes))
        return;
    facts.foreignKeys =
        kept ? std::move(*kept) : readForeignKeys(target, CatalogSide::Target, targetVersion);
    applyDependencyPass(changes, facts);
}

bool holdsModules(Connection& store) {
    for (const ObjectKind* kind : objectKinds) {
        if (!store.open(store_sql::moduleNames(*kind)).empty())
            return true;
    }
    return !readSnapshotModules(store, functionKind).empty();
}

// The function part's changes, its drops first (compareModulePart puts
// them there): the drops go in at `dropsAt`, the rest at the end.
void placeFunctionChanges(ChangeList changes, std::size_t dropsAt, ChangeList& out) {
    const auto firstOther = std::find_if(changes.begin(), changes.end(), [](const Change& change) {
        return !std::holds_alternative<DropModule>(change.record);
    });
    out.insert(out.begin() + static_cast<std::ptrdiff_t>(dropsAt),
               std::make_move_iterator(changes.begin()), std::make_move_iterator(firstOther));
    out.insert(out.end(), std::make_move_iterator(firstOther),
               std::make_move_iterator(changes.end()));
}

// A computed column that calls a function the script creates can only be
// added once the function exists: such Adds move from the table part to right
// after the function creates (at the end of `out` when this runs), and a new
// table is created without such columns, which are added there (a table keeps
// at least one column to be created with). Other computed columns keep their
// place.
void addComputedColumnsAfterTheirFunctions(const ChangeList& functionChanges,
                                           std::size_t columnChangesAt, ChangeList& out) {
    std::set<std::string> created;
    for (const Change& change : functionChanges) {
        if (const auto* create = std::get_if<CreateModule>(&change.record))
            created.insert(objectKey(create->name));
    }
    if (created.empty())
        return;
    auto callsCreated = [&created](const Column& column) {
        if (!column.computed())
            return false;
        for (const std::string& name : mentionedNameKeys(column.computedDefinition)) {
            if (created.contains(name))
                return true;
        }
        return false;
    };
    ChangeList moved;
    for (auto it = out.begin() + static_cast<std::ptrdiff_t>(columnChangesAt); it != out.end();) {
        // A new table is created without such columns; they are added after.
        if (auto* create = std::get_if<CreateTable>(&it->record)) {
            std::vector<Column>& columns = create->columns;
            for (auto column = columns.begin(); column != columns.end();) {
                if (callsCreated(*column) && columns.size() > 1) {
                    moved.push_back({AddColumn{*column, std::nullopt}});
                    column = columns.erase(column);
                } else {
                    ++column;
                }
            }
            ++it;
            continue;
        }
        const auto* add = std::get_if<AddColumn>(&it->record);
        if (add != nullptr && callsCreated(add->column)) {
            moved.push_back(std::move(*it));
            it = out.erase(it);
        } else {
            ++it;
        }
    }
    out.insert(out.end(), std::make_move_iterator(moved.begin()),
               std::make_move_iterator(moved.end()));
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
    StandingKeys(Connection& target, std::optional<std::vector<ForeignKey>> kept,
                 const ServerVersion& version)
        : m_target(target), m_keys(std::move(kept)), m_version(version) {}

    std::vector<ForeignKey>& get() {
        if (!m_keys)
            m_keys = readForeignKeys(m_target, CatalogSide::Target, m_version);
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
    ServerVersion m_version;
};

std::set<std::string> moduleKeys(Connection& store, const ObjectKind& kind) {
    // Read whole, so that each object's key carries its schema.
    std::set<std::string> keys;
    for (const ModuleText& module : readSnapshotModules(store, kind))
        keys.insert(objectKey(module.name));
    return keys;
}

// --drop-extra: what the target has and the snapshot lacks, dropped after
// the foreign key diff's drops.
ChangeList extraObjectDrops(Connection& store, Connection& target,
                            const std::vector<Table>& snapshotTables,
                            const ChangeList& foreignKeyDrops, StandingKeys& standing,
                            const ServerVersion& targetVersion) {
    SnapshotObjects snapshot;
    snapshot.tablesRecorded = !snapshotTables.empty();
    for (const Table& table : snapshotTables)
        snapshot.tables.insert(objectKey(table.name));
    snapshot.procedures = moduleKeys(store, procedureKind);
    snapshot.views = moduleKeys(store, viewKind);
    snapshot.triggers = moduleKeys(store, triggerKind);
    // A store written before functions were kept says nothing of them.
    snapshot.functionsRecorded =
        !store.open(store_sql::tableExists(functionKind.storeTable)).empty();
    if (snapshot.functionsRecorded)
        snapshot.functions = moduleKeys(store, functionKind);
    std::set<std::string> alreadyDropped;
    for (const Change& change : foreignKeyDrops) {
        if (const auto* drop = std::get_if<DropForeignKey>(&change.record))
            alreadyDropped.insert(nameKey(drop->key.name));
    }
    ChangeList drops = dropExtraObjects(readDroppableObjects(target, targetVersion), snapshot,
                                        standing.get(), alreadyDropped);
    standing.forget(droppedTables(drops), drops);
    return drops;
}

// Table rebuilds for the Alters ALTER COLUMN cannot make, read of the target
// only when there is one.
void planRebuilds(Connection& target, DependencyFacts& facts, const std::vector<Table>& snapshot,
                  const std::vector<Table>& targetTables, StandingKeys& standing,
                  ChangeList& changes, const ServerVersion& targetVersion) {
    if (!mayNeedRebuild(changes))
        return;
    facts.foreignKeys = standing.get();
    RebuildFacts rebuild{
        facts, readChecks(target, targetVersion), readTableTriggers(target, targetVersion), {}, {}};
    std::vector<std::string> triggerNames;
    for (const TableTrigger& trigger : rebuild.targetTriggers)
        triggerNames.push_back(trigger.name);
    readTargetModules(target, triggerKind, triggerNames, rebuild.triggerTexts, targetVersion);
    for (const std::vector<Table>* side : {&snapshot, &targetTables}) {
        for (const Table& table : *side)
            rebuild.takenNames.insert(objectKey(table.name));
    }
    applyTableRebuilds(changes, rebuild);
}

} // namespace

bool compareWithSnapshot(Connection& store, Connection& target, const std::string& databaseName,
                         ChangeList& out, const ServerVersion& targetVersion,
                         const ServerVersion& sourceVersion, const CompareOptions& options) {
    // Names are matched as the target database compares them, from the
    // snapshot's grouping of its rows on.
    const NameCaseScope nameRule(nameCaseOfCollation(readTargetCollation(target)));
    // 2005 and later keep definitions in a form of their own.
    const DefinitionFormScope definitionRule(sourceVersion.readsCatalogViews() ||
                                             targetVersion.readsCatalogViews());
    const std::vector<Table> snapshotTables = readSnapshotTables(store);
    const std::vector<Table> targetTables = readTargetTables(target, snapshotTables, targetVersion);
    // A snapshot without tables is compared when it holds procedures, views
    // or triggers; one holding none of them either holds nothing.
    const bool tablesHeld = !snapshotTables.empty();
    if (!tablesHeld && !holdsModules(store))
        return false;
    // Both sides' defaults first: an Add of a column carries its default.
    const std::vector<DefaultConstraint> snapshotDefaults = readSnapshotDefaults(store);
    const std::vector<DefaultConstraint> targetDefaults =
        readDefaults(target, CatalogSide::Target, targetVersion);
    // Foreign keys only where the snapshot records them. Their drops come
    // before everything, their adds after everything.
    ForeignKeyChanges keyChanges;
    std::optional<std::vector<ForeignKey>> keptKeys;
    if (const auto snapshotKeys = readSnapshotForeignKeys(store)) {
        keyChanges = diffForeignKeys(*snapshotKeys,
                                     readForeignKeys(target, CatalogSide::Target, targetVersion),
                                     tableKeys(snapshotTables));
        keptKeys = std::move(keyChanges.kept);
    }
    const std::size_t useAt = out.size();
    out.push_back({UseDatabase{databaseName}});
    out.insert(out.end(), keyChanges.drops.begin(), keyChanges.drops.end());
    StandingKeys standing(target, std::move(keptKeys), targetVersion);
    if (options.dropExtra) {
        const ChangeList extras = extraObjectDrops(store, target, snapshotTables, keyChanges.drops,
                                                   standing, targetVersion);
        out.insert(out.end(), extras.begin(), extras.end());
    }
    std::set<std::string> carried;
    const std::size_t columnChangesAt = out.size();
    diffTables(snapshotTables, targetTables, {snapshotDefaults, targetDefaults}, carried, out);
    // CHECK constraints where the snapshot records them; one in the way of a
    // column change is dropped before it.
    ConstraintChanges checkChanges;
    if (const auto snapshotChecks = readSnapshotChecks(store)) {
        checkChanges = diffChecks(*snapshotChecks, readChecks(target, targetVersion),
                                  tableKeys(snapshotTables), out);
        out.insert(out.begin() + static_cast<std::ptrdiff_t>(columnChangesAt),
                   checkChanges.drops.begin(), checkChanges.drops.end());
    }
    // Alias types where the snapshot records them: created right after "use",
    // before any column of them.
    if (const auto snapshotTypes = readSnapshotAliasTypes(store))
        diffAliasTypes(*snapshotTypes, readServerAliasTypes(target), useAt + 1, out);

    // Functions: the drops of changed ones before the column changes (a
    // function bound to a column keeps it from changing), after the CHECK
    // drops (a CHECK that calls a function keeps it from being dropped); the
    // creates right after the tables and columns they read, before the
    // indexes, views, procedures, triggers and constraints that may call
    // them. A store without SourceFN has none to compare.
    const std::size_t functionDropsAt = columnChangesAt + checkChanges.drops.size();
    ChangeList functionChanges;
    try {
        compareModulePart(functionKind, store, target, functionChanges, targetVersion);
    } catch (...) {
        placeFunctionChanges(std::move(functionChanges), functionDropsAt, out);
        throw;
    }
    const ChangeList functionsCreated = functionChanges;
    placeFunctionChanges(std::move(functionChanges), functionDropsAt, out);
    addComputedColumnsAfterTheirFunctions(functionsCreated, columnChangesAt, out);

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
    compareIndexPart(store, target, out, &facts, &snapshotTables, targetVersion);
    for (const ObjectKind* kind : objectKinds)
        compareModulePart(*kind, store, target, out, targetVersion);
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
    // A snapshot of a later release may hold what an older target cannot;
    // what is not changed needs no wrapping either.
    keepToTheTargetRelease(out, targetVersion);
    planRebuilds(target, facts, snapshotTables, targetTables, standing, out, targetVersion);
    wrapDependencies(target, facts, standing.take(), out, targetVersion);
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
