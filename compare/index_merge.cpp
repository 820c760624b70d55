#include "index_merge.h"

#include "index_statements.h"
#include "name_key.h"

#include <optional>

namespace dbc {

namespace {

using Indexes = std::vector<IndexDefinition>;

std::optional<std::size_t> findPrimaryKey(const Indexes& indexes) {
    for (std::size_t i = 0; i < indexes.size(); ++i) {
        if (indexes[i].isPrimaryKey())
            return i;
    }
    return std::nullopt;
}

std::optional<std::size_t> findByName(const Indexes& indexes, const std::string& name) {
    for (std::size_t i = 0; i < indexes.size(); ++i) {
        if (compareNameKeys(indexes[i].name, name) == 0)
            return i;
    }
    return std::nullopt;
}

// The primary keys handled before the name merge: the position of each
// side's index in the pair, where that side takes part.
struct PrimaryKeyPair {
    std::optional<std::size_t> snapshot;
    std::optional<std::size_t> target;
};

PrimaryKeyPair pairPrimaryKeys(const Indexes& snapshot, const Indexes& target) {
    PrimaryKeyPair pair{findPrimaryKey(snapshot), findPrimaryKey(target)};
    if (pair.snapshot && !pair.target)
        pair.target = findByName(target, snapshot[*pair.snapshot].name);
    else if (pair.target && !pair.snapshot)
        pair.snapshot = findByName(snapshot, target[*pair.target].name);
    return pair;
}

void addReplacement(const std::string& dropTable, const IndexDefinition* s,
                    const IndexDefinition* g, std::vector<std::string>& statements) {
    if (s && g && sameDefinition(*s, *g))
        return;
    if (g && s && compareNameKeys(s->name, g->name) == 0) {
        // The same index, letter case aside: dropped under the snapshot's name.
        IndexDefinition dropped = *g;
        dropped.name = s->name;
        statements.push_back(dropIndexStatement(dropTable, dropped));
    } else if (g) {
        statements.push_back(dropIndexStatement(dropTable, *g));
    }
    if (s)
        statements.push_back(createIndexStatement(*s));
}

std::vector<const IndexDefinition*> without(const Indexes& indexes,
                                            std::optional<std::size_t> left) {
    std::vector<const IndexDefinition*> rest;
    for (std::size_t i = 0; i < indexes.size(); ++i) {
        if (i != left)
            rest.push_back(&indexes[i]);
    }
    return rest;
}

// The target's indexes as a snapshot without key facts sees them: compared
// and dropped as plain indexes, as such a snapshot was always compared. (Were
// a key dropped as a constraint, the plain index created in its place would
// lose the uniqueness the source may well have.)
Indexes withoutKeyFacts(Indexes indexes) {
    for (IndexDefinition& index : indexes) {
        index.carriesKeyFacts = false;
        index.unique = false;
        index.constraint = KeyConstraint::None;
        for (IndexKeyColumn& key : index.keys)
            key.descending = false;
    }
    return indexes;
}

} // namespace

std::vector<std::string> mergeTableIndexes(const Indexes& snapshot, const Indexes& targetRead) {
    std::vector<std::string> statements;
    if (snapshot.empty())
        return statements;
    const Indexes target =
        snapshot.front().carriesKeyFacts ? targetRead : withoutKeyFacts(targetRead);
    const PrimaryKeyPair keys = pairPrimaryKeys(snapshot, target);
    const IndexDefinition* snapshotKey = keys.snapshot ? &snapshot[*keys.snapshot] : nullptr;
    std::string dropTable = (snapshotKey ? *snapshotKey : snapshot.front()).tableName;
    addReplacement(dropTable, snapshotKey, keys.target ? &target[*keys.target] : nullptr,
                   statements);

    const auto s = without(snapshot, keys.snapshot);
    const auto g = without(target, keys.target);
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < s.size() || j < g.size()) {
        const int order = i == s.size()   ? 1
                          : j == g.size() ? -1
                                          : compareNameKeys(s[i]->name, g[j]->name);
        if (i < s.size())
            dropTable = s[i]->tableName;
        if (order == 0) {
            addReplacement(dropTable, s[i], g[j], statements);
            ++i;
            ++j;
        } else if (order < 0) {
            statements.push_back(createIndexStatement(*s[i++]));
        } else {
            statements.push_back(dropIndexStatement(dropTable, *g[j++]));
        }
    }
    return statements;
}

} // namespace dbc
