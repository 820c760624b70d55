#include "catalog_diff.h"

#include "name_key.h"

#include <algorithm>
#include <charconv>
#include <string>
#include <unordered_map>

namespace dbc {

namespace {

// The key position as a number, so that 10 follows 9; a text that is not a
// number counts as 0 and keeps its place among its equals.
long long keyPosition(const std::string& text) {
    long long position = 0;
    std::from_chars(text.data(), text.data() + text.size(), position);
    return position;
}

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

bool sameKeyColumns(const Index& a, const Index& b) {
    return std::equal(a.keys.begin(), a.keys.end(), b.keys.begin(), b.keys.end(),
                      [](const IndexKey& x, const IndexKey& y) { return x.column == y.column; });
}

bool equalDefinitions(const Index& a, const Index& b) {
    return sameKeyColumns(a, b) && a.clustered() == b.clustered();
}

// Merges one table's indexes. Every drop names the table as the snapshot's
// current index spells it (after the snapshot side runs out, as its last
// index did).
void mergeIndexes(const std::vector<Index>& snapshot, const std::vector<Index>& target,
                  ChangeList& out) {
    std::size_t s = 0;
    std::size_t g = 0;
    auto snapshotTable = [&] { return snapshot[std::min(s, snapshot.size() - 1)].table; };
    while (s < snapshot.size() && g < target.size()) {
        const int order = compareNameKeys(snapshot[s].name, target[g].name);
        if (order == 0) {
            if (!equalDefinitions(snapshot[s], target[g])) {
                out.push_back({DropIndex{snapshot[s].table, snapshot[s].name}});
                out.push_back({CreateIndex{snapshot[s]}});
            }
            ++s;
            ++g;
        } else if (order < 0) {
            out.push_back({CreateIndex{snapshot[s++]}});
        } else {
            out.push_back({DropIndex{snapshotTable(), target[g++].name}});
        }
    }
    for (; g < target.size(); ++g)
        out.push_back({DropIndex{snapshotTable(), target[g].name}});
    for (; s < snapshot.size(); ++s)
        out.push_back({CreateIndex{snapshot[s]}});
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
        // A listed table without index rows has nothing to compare, and
        // nothing of the target's may be dropped.
        if (snapshotIndexes.empty())
            continue;
        const auto found = targetIndexes.find(objectKey(table.table));
        mergeIndexes(mergeOrder(snapshotIndexes),
                     mergeOrder(found == targetIndexes.end() ? none : found->second), out);
    }
}

} // namespace dbc
