#include "compare/diff_catalogs.h"

#include "catalog/name_key.h"
#include "compare/bound_dependents.h"
#include "compare/catalog_diff.h"
#include "compare/extra_objects.h"
#include "compare/function_placement.h"
#include "compare/module_order.h"
#include "compare/target_release.h"

#include <algorithm>
#include <set>

namespace dbc {

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

void appendModuleChanges(const ObjectKind& kind, const std::vector<ModuleText>& snapshot,
                         const std::vector<TargetModule>& target, ChangeList& out) {
    ChangeList changes;
    diffModules(kind, snapshot, target, changes);
    if (kind.id == ObjectKind::Function)
        moveModuleDropsFirst(changes);
    out.insert(out.end(), std::make_move_iterator(changes.begin()),
               std::make_move_iterator(changes.end()));
}

void orderModulesForCreate(DatabaseCatalog& snapshot) {
    // Views and functions are refused when they name an object that does not
    // exist yet.
    for (ObjectKind::Id kind : {ObjectKind::View, ObjectKind::Function}) {
        if (!snapshot.modules[kind].empty())
            snapshot.modules[kind] = orderByMentions(std::move(snapshot.modules[kind]));
    }
}

namespace {

std::set<std::string> tableKeys(const std::vector<Table>& tables) {
    std::set<std::string> keys;
    for (const Table& table : tables)
        keys.insert(objectKey(table.name));
    return keys;
}

std::set<std::string> moduleKeys(const std::vector<ModuleText>& modules) {
    std::set<std::string> keys;
    for (const ModuleText& module : modules)
        keys.insert(objectKey(module.name));
    return keys;
}

// Forgets the standing keys of the tables dropped and the keys dropped.
void forgetDropped(std::vector<ForeignKey>& keys, const std::set<std::string>& tables,
                   const ChangeList& drops) {
    std::erase_if(keys, [&](const ForeignKey& key) {
        if (tables.contains(objectKey(key.table)) ||
            tables.contains(objectKey(key.referencedTable)))
            return true;
        return std::any_of(drops.begin(), drops.end(), [&](const Change& change) {
            const auto* drop = std::get_if<DropForeignKey>(&change.record);
            return drop && compareNameKeys(drop->key.name, key.name) == 0;
        });
    });
}

// --drop-extra: what the target has and the snapshot lacks, dropped after
// the foreign key diff's drops.
ChangeList extraObjectDrops(const DatabaseCatalog& snapshot, const DatabaseCatalog& target,
                            const ChangeList& foreignKeyDrops, std::vector<ForeignKey>& standing) {
    SnapshotObjects objects;
    objects.tablesRecorded = !snapshot.tables.empty();
    objects.tables = tableKeys(snapshot.tables);
    objects.procedures = moduleKeys(snapshot.modules[ObjectKind::Procedure]);
    objects.views = moduleKeys(snapshot.modules[ObjectKind::View]);
    objects.triggers = moduleKeys(snapshot.modules[ObjectKind::Trigger]);
    // A store written before functions were kept says nothing of them.
    objects.functionsRecorded = snapshot.functionsRecorded;
    if (objects.functionsRecorded)
        objects.functions = moduleKeys(snapshot.modules[ObjectKind::Function]);
    std::set<std::string> alreadyDropped;
    for (const Change& change : foreignKeyDrops) {
        if (const auto* drop = std::get_if<DropForeignKey>(&change.record))
            alreadyDropped.insert(nameKey(drop->key.name));
    }
    ChangeList drops =
        dropExtraObjects(*target.droppableObjects, objects, standing, alreadyDropped);
    forgetDropped(standing, droppedTables(drops), drops);
    return drops;
}

// The diff proper; it stops short at the first part a side does not hold.
void diffInto(const DatabaseCatalog& snapshot, const DatabaseCatalog& target,
              const CatalogDiffOptions& options, CatalogDiff& diff) {
    auto held = [&](CatalogPart part) { return snapshot.holds(part) && target.holds(part); };
    ChangeList& out = diff.changes;
    if (!held(CatalogPart::ForeignKeys))
        return;
    // Foreign keys only where the snapshot records them. Their drops come
    // before everything, their adds after everything.
    ForeignKeyChanges keyChanges;
    if (snapshot.foreignKeys && target.foreignKeys) {
        keyChanges =
            diffForeignKeys(*snapshot.foreignKeys, *target.foreignKeys, tableKeys(snapshot.tables));
        diff.standingKeys = std::move(keyChanges.kept);
    } else if (target.foreignKeys) {
        diff.standingKeys = target.foreignKeys;
    }
    const std::size_t useAt = out.size();
    out.push_back({UseDatabase{options.databaseName}});
    out.insert(out.end(), keyChanges.drops.begin(), keyChanges.drops.end());
    if (!held(CatalogPart::ExtraObjects))
        return;
    if (options.dropExtra && target.droppableObjects && diff.standingKeys) {
        const ChangeList extras =
            extraObjectDrops(snapshot, target, keyChanges.drops, *diff.standingKeys);
        out.insert(out.end(), extras.begin(), extras.end());
    }
    std::set<std::string> carried;
    const std::size_t columnChangesAt = out.size();
    diffTables(snapshot.tables, target.tables, {snapshot.defaults, target.defaults}, carried, out);
    if (!held(CatalogPart::Checks))
        return;
    // CHECK constraints where the snapshot records them; one in the way of a
    // column change is dropped before it.
    ConstraintChanges checkChanges;
    if (snapshot.checks && target.checks) {
        checkChanges =
            diffChecks(*snapshot.checks, *target.checks, tableKeys(snapshot.tables), out);
        out.insert(out.begin() + static_cast<std::ptrdiff_t>(columnChangesAt),
                   checkChanges.drops.begin(), checkChanges.drops.end());
    }
    if (!held(CatalogPart::AliasTypes))
        return;
    // Alias types where the snapshot records them: created right after "use",
    // before any column of them.
    if (snapshot.aliasTypes && target.aliasTypes)
        diffAliasTypes(*snapshot.aliasTypes, *target.aliasTypes, useAt + 1, out);

    // Functions: the drops of changed ones before the column changes (a
    // function bound to a column keeps it from changing), after the CHECK
    // drops (a CHECK that calls a function keeps it from being dropped); the
    // creates right after the tables and columns they read, before the
    // indexes, views, procedures, triggers and constraints that may call
    // them. A store without SourceFN has none to compare. The answers read
    // before a failure are still compared.
    const std::size_t functionDropsAt = columnChangesAt + checkChanges.drops.size();
    ChangeList functionChanges;
    appendModuleChanges(functionKind, snapshot.modules[ObjectKind::Function],
                        target.moduleAnswers[ObjectKind::Function], functionChanges);
    const ChangeList functionsCreated = functionChanges;
    placeFunctionChanges(std::move(functionChanges), functionDropsAt, out);
    if (!held(CatalogPart::Functions))
        return;
    addComputedColumnsAfterTheirFunctions(functionsCreated, columnChangesAt, out);

    // Every part runs whatever the others hold: a snapshot without indexes or
    // triggers still has its procedures, views and defaults compared. What
    // the index diff compares and both sides' defaults are kept for the
    // dependency pass.
    if (!held(CatalogPart::Indexes))
        return;
    DependencyFacts& facts = diff.facts;
    facts.snapshotTables = &snapshot.tables;
    facts.targetTables = &target.tables;
    facts.snapshotDefaults = snapshot.defaults;
    facts.targetDefaults = target.defaults;
    facts.indexesCompared = !snapshot.indexes.empty();
    facts.snapshotIndexes = snapshot.indexes;
    facts.targetIndexes = target.indexes;
    if (facts.indexesCompared) {
        listTablesWithoutIndexes(facts.snapshotIndexes, snapshot.tables);
        diffIndexes(facts.snapshotIndexes, facts.targetIndexes, out);
    }
    for (const ObjectKind* kind : objectKinds) {
        appendModuleChanges(*kind, snapshot.modules[kind->id], target.moduleAnswers[kind->id], out);
        if (!held(modulePart(kind->id)))
            return;
    }
    // Without tables the snapshot says nothing of the target's defaults;
    // defaults of tables only the target has are left alone with their tables.
    if (!snapshot.tables.empty()) {
        std::vector<DefaultConstraint> snapshotSide = snapshot.defaults;
        std::vector<DefaultConstraint> targetSide = target.defaults;
        setAsideMatchedSystemNamedDefaults(snapshotSide, targetSide);
        const std::set<std::string> heldTables = heldTableKeys(snapshot.tables);
        diffDefaults(snapshotSide, targetSide, carried, out, &heldTables);
    }
    out.insert(out.end(), keyChanges.adds.begin(), keyChanges.adds.end());
    out.insert(out.end(), checkChanges.adds.begin(), checkChanges.adds.end());
    // What holds a re-created function comes down before it and back after;
    // views and functions created in the order they name each other.
    placeAroundFunctionChanges(snapshot, out);
    // A snapshot of a later release may hold what an older target cannot;
    // what is not changed needs no wrapping either.
    keepToTheTargetRelease(out, options.targetVersion);
}

} // namespace

CatalogDiff diffCatalogs(const DatabaseCatalog& snapshot, const DatabaseCatalog& target,
                         const CatalogDiffOptions& options) {
    CatalogDiff diff;
    if (snapshot.holdsNothing)
        return diff;
    diffInto(snapshot, target, options, diff);
    return diff;
}

} // namespace dbc
