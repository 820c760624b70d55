#include "compare/post_diff_passes.h"

#include "catalog/name_key.h"
#include "catalog/versioned_reader.h"
#include "compare/table_rebuild.h"

#include <string>

namespace dbc {

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

private:
    Connection& m_target;
    std::optional<std::vector<ForeignKey>> m_keys;
    const ServerVersion& m_version;
};

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

} // namespace

void applyPostDiffPasses(Connection& target, DependencyFacts& facts,
                         std::optional<std::vector<ForeignKey>> standingKeys,
                         const std::vector<Table>& snapshotTables,
                         const std::vector<Table>& targetTables, ChangeList& changes,
                         const ServerVersion& targetVersion) {
    StandingKeys standing(target, std::move(standingKeys), targetVersion);
    planRebuilds(target, facts, snapshotTables, targetTables, standing, changes, targetVersion);
    wrapDependencies(target, facts, standing.take(), changes, targetVersion);
}

} // namespace dbc
