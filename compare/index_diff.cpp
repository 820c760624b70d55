#include "compare/catalog_diff.h"
#include "compare/definition_form.h"
#include "compare/index_pairing.h"

#include "catalog/key_position.h"
#include "catalog/name_key.h"

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>

namespace dbc {

// One table's indexes of one side as the merge walks them: in name-key order
// of the index name (names equal but for letter case apart, in byte order),
// the keys of each index in key position order. Rows of one index name met
// in several places form one index, so neither the store's nor the server's
// collation decides how indexes are grouped and merged.
std::vector<Index> mergeOrder(const std::vector<const Index*>& indexes) {
    std::vector<Index> merged;
    for (const Index* index : indexes) {
        auto same = std::find_if(merged.begin(), merged.end(),
                                 [&](const Index& m) { return m.name == index->name; });
        if (same == merged.end())
            merged.push_back(*index);
        else
            same->keys.insert(same->keys.end(), index->keys.begin(), index->keys.end());
    }
    for (Index& index : merged) {
        std::stable_sort(index.keys.begin(), index.keys.end(),
                         [](const IndexKey& a, const IndexKey& b) {
                             return keyPosition(a.position) < keyPosition(b.position);
                         });
    }
    std::stable_sort(merged.begin(), merged.end(), [](const Index& a, const Index& b) {
        if (const int byKey = compareNameKeys(a.name, b.name); byKey != 0)
            return byKey < 0;
        return a.name < b.name;
    });
    return merged;
}

// Two indexes define the same index, their names aside: the same key columns
// in the same order (names matched as the target compares them), the same clustered marking and,
// where both sides know them, the same uniqueness, key constraint and directions.
bool equalDefinitions(const Index& a, const Index& b) {
    const bool factsCompared = a.carriesKeyFacts && b.carriesKeyFacts;
    const bool sameKeys = std::equal(a.keys.begin(), a.keys.end(), b.keys.begin(), b.keys.end(),
                                     [&](const IndexKey& x, const IndexKey& y) {
                                         return compareNameKeys(x.column, y.column) == 0 &&
                                                (!factsCompared || x.descending == y.descending);
                                     });
    // Included columns and the filter where both sides come from SQL Server
    // 2005 or later: a 2000 side has none, which is no difference.
    const bool laterCompared = a.carriesLaterFacts && b.carriesLaterFacts;
    const bool sameIncluded =
        !laterCompared ||
        (std::equal(a.included.begin(), a.included.end(), b.included.begin(), b.included.end(),
                    [](const std::string& x, const std::string& y) {
                        return compareNameKeys(x, y) == 0;
                    }) &&
         comparedDefinition(a.filter) == comparedDefinition(b.filter));
    return sameKeys && sameIncluded && a.clustered() == b.clustered() &&
           (!factsCompared || (a.unique == b.unique && a.constraint == b.constraint));
}

// The target's indexes as a snapshot without key facts sees them: compared
// and dropped as plain indexes, as such a snapshot was always compared. (Were
// a key dropped as a constraint, the plain index created in its place would
// lose the uniqueness the source may well have.)
std::vector<Index> withoutKeyFacts(std::vector<Index> indexes) {
    for (Index& index : indexes) {
        index.carriesKeyFacts = false;
        index.unique = false;
        index.constraint = KeyConstraint::None;
        for (IndexKey& key : index.keys)
            key.descending = false;
    }
    return indexes;
}

namespace {

std::optional<std::size_t> findIndex(const std::vector<Index>& indexes,
                                     const std::function<bool(const Index&)>& wanted) {
    for (std::size_t i = 0; i < indexes.size(); ++i) {
        if (wanted(indexes[i]))
            return i;
    }
    return std::nullopt;
}

} // namespace

PrimaryKeyPair pairPrimaryKeys(const std::vector<Index>& snapshot,
                               const std::vector<Index>& target) {
    const auto isKey = [](const Index& index) { return index.isPrimaryKey(); };
    PrimaryKeyPair pair{findIndex(snapshot, isKey), findIndex(target, isKey)};
    const auto named = [](const std::string& name) {
        return [name](const Index& index) { return compareNameKeys(index.name, name) == 0; };
    };
    if (pair.snapshot && !pair.target)
        pair.target = findIndex(target, named(snapshot[*pair.snapshot].name));
    else if (pair.target && !pair.snapshot)
        pair.snapshot = findIndex(snapshot, named(target[*pair.target].name));
    return pair;
}

namespace {

DropIndex dropOf(const std::string& table, const Index& target, const std::string& name) {
    return DropIndex{table, name, target.isKeyConstraint()};
}

// The changes for an index on one side or both: none for equal definitions,
// otherwise the target's dropped in its form (under the snapshot's name when
// the names match, letter case aside) and the snapshot's created in its form.
void replace(const std::string& dropTable, const Index* s, const Index* g, ChangeList& out) {
    if (s && g && equalDefinitions(*s, *g))
        return;
    if (g) {
        const bool sameName = s && compareNameKeys(s->name, g->name) == 0;
        out.push_back({dropOf(dropTable, *g, sameName ? s->name : g->name)});
    }
    if (s)
        out.push_back({CreateIndex{*s, g ? std::optional<Index>(*g) : std::nullopt}});
}

std::vector<const Index*> without(const std::vector<Index>& indexes,
                                  std::optional<std::size_t> left) {
    std::vector<const Index*> rest;
    for (std::size_t i = 0; i < indexes.size(); ++i) {
        if (i != left)
            rest.push_back(&indexes[i]);
    }
    return rest;
}

// Merges one table's indexes, both in name-key order. The table's primary
// keys come first; the other indexes are merged by name: created when the
// target lacks them, dropped when the snapshot does, replaced when their
// definitions differ. Every drop names the table as the snapshot's current
// index spells it (after the snapshot side runs out, as its last index did).
void mergeIndexes(const std::vector<Index>& snapshot, const std::vector<Index>& targetRead,
                  ChangeList& out) {
    const std::vector<Index> target =
        snapshot.front().carriesKeyFacts ? targetRead : withoutKeyFacts(targetRead);
    const PrimaryKeyPair keys = pairPrimaryKeys(snapshot, target);
    const Index* snapshotKey = keys.snapshot ? &snapshot[*keys.snapshot] : nullptr;
    std::string dropTable = (snapshotKey ? *snapshotKey : snapshot.front()).table;
    replace(dropTable, snapshotKey, keys.target ? &target[*keys.target] : nullptr, out);

    const auto s = without(snapshot, keys.snapshot);
    const auto g = without(target, keys.target);
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < s.size() || j < g.size()) {
        const int order = i == s.size()   ? 1
                          : j == g.size() ? -1
                                          : compareNameKeys(s[i]->name, g[j]->name);
        if (i < s.size())
            dropTable = s[i]->table;
        if (order == 0) {
            replace(dropTable, s[i++], g[j++], out);
        } else if (order < 0) {
            out.push_back({CreateIndex{*s[i++]}});
        } else {
            out.push_back({dropOf(dropTable, *g[j], g[j]->name)});
            ++j;
        }
    }
}

} // namespace

void diffIndexes(const std::vector<TableIndexes>& snapshot, const std::vector<TableIndexes>& target,
                 ChangeList& out) {
    std::unordered_map<std::string, std::vector<const Index*>> targetIndexes;
    for (const TableIndexes& table : target) {
        for (const Index& index : table.indexes)
            targetIndexes[objectKey(index.table)].push_back(&index);
    }
    static const std::vector<const Index*> none;
    for (const TableIndexes& table : snapshot) {
        std::vector<const Index*> snapshotIndexes;
        for (const Index& index : table.indexes)
            snapshotIndexes.push_back(&index);
        const auto found = targetIndexes.find(objectKey(table.table));
        // A table listed without indexes: every target index is surplus,
        // dropped in the form the target's own facts call for.
        if (snapshotIndexes.empty()) {
            for (const Index& index :
                 mergeOrder(found == targetIndexes.end() ? none : found->second))
                out.push_back({dropOf(table.table, index, index.name)});
            continue;
        }
        mergeIndexes(mergeOrder(snapshotIndexes),
                     mergeOrder(found == targetIndexes.end() ? none : found->second), out);
    }
}

} // namespace dbc
