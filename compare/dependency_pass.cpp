#include "compare/dependency_pass.h"

#include "catalog/name_key.h"
#include "compare/foreign_key_types.h"
#include "compare/index_pairing.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <string_view>
#include <unordered_map>

namespace dbc {

namespace {

// The order of the statements the pass writes at one place: what references
// a key goes before the key and comes back after it; a primary key is
// re-created before the table's other indexes.
enum class Rank {
    ForeignKey,
    Index,
    PrimaryKey,
    Default,
    RecreatedDefault,
    RecreatedPrimaryKey,
    RecreatedIndex,
    RecreatedForeignKey,
    DisabledForeignKey,
};

struct Placed {
    Rank rank;
    std::string name;
    Change change;
};

// What a change is about, as far as the pass cares.
enum class Subject { Other, AddColumn, AlterColumn, DropColumn, CreateIndex, DropIndex, Default };

struct About {
    Subject subject = Subject::Other;
    std::string table;
    std::string name; // the column, index or constraint
    // An Alter that cannot do what it is written for, whatever is dropped
    // around it: one that carries IDENTITY (the server refuses it) or one
    // that differs only in the identity flag.
    bool identityBound = false;
};

struct Describe {
    About operator()(const AddColumn& c) const {
        return {Subject::AddColumn, c.column.table, c.column.name};
    }
    About operator()(const AlterColumn& c) const {
        return {Subject::AlterColumn, c.column.table, c.column.name,
                c.column.colStat == "1" || c.identityOnly};
    }
    // A computed column dropped to be added again is changed, not gone: what
    // depends on it comes back after the table's column changes.
    About operator()(const DropColumn& c) const {
        return {c.readded ? Subject::AlterColumn : Subject::DropColumn, c.table, c.column};
    }
    About operator()(const CreateIndex& c) const {
        return {Subject::CreateIndex, c.index.table, c.index.name};
    }
    About operator()(const DropIndex& c) const { return {Subject::DropIndex, c.table, c.index}; }
    About operator()(const AddDefault& c) const {
        return {Subject::Default, c.constraint.table, c.constraint.name};
    }
    About operator()(const DropDefault& c) const { return {Subject::Default, c.table, c.name}; }
    template <class Other> About operator()(const Other&) const { return {}; }
};

About about(const Change& change) {
    return std::visit(Describe{}, change.record);
}

bool sameName(std::string_view a, std::string_view b) {
    return compareNameKeys(a, b) == 0;
}

bool sameTable(std::string_view a, std::string_view b) {
    return objectKey(a) == objectKey(b);
}

bool isColumnChange(Subject subject) {
    return subject == Subject::AddColumn || subject == Subject::AlterColumn ||
           subject == Subject::DropColumn;
}

bool isIndexChange(Subject subject) {
    return subject == Subject::CreateIndex || subject == Subject::DropIndex;
}

bool contains(const std::vector<std::string>& columns, std::string_view column) {
    return std::any_of(columns.begin(), columns.end(),
                       [&](const std::string& c) { return sameName(c, column); });
}

bool hasKey(const Index& index, std::string_view column) {
    return std::any_of(index.keys.begin(), index.keys.end(),
                       [&](const IndexKey& key) { return sameName(key.column, column); });
}

// True when the foreign key references exactly the key columns of `index`.
bool references(const ForeignKey& key, const Index& index) {
    if (key.referencedColumns.size() != index.keys.size())
        return false;
    return std::all_of(index.keys.begin(), index.keys.end(), [&](const IndexKey& c) {
        return contains(key.referencedColumns, c.column);
    });
}

// True when `index` is a unique key over exactly `columns`, in any order: a
// foreign key to those columns can stand on it.
bool isKeyOver(const Index& index, const std::vector<std::string>& columns) {
    if (!(index.unique || index.isKeyConstraint()) || index.keys.size() != columns.size())
        return false;
    return std::all_of(index.keys.begin(), index.keys.end(),
                       [&](const IndexKey& key) { return contains(columns, key.column); });
}

bool involves(const ForeignKey& key, std::string_view table, std::string_view column) {
    return (sameTable(key.table, table) && contains(key.columns, column)) ||
           (sameTable(key.referencedTable, table) && contains(key.referencedColumns, column));
}

using IndexesByTable = std::unordered_map<std::string, std::vector<Index>>;

// Each table's indexes in merge order, per object key of the table name.
IndexesByTable byTable(const std::vector<TableIndexes>& tables, bool byIndexTable) {
    std::unordered_map<std::string, std::vector<const Index*>> groups;
    for (const TableIndexes& table : tables) {
        if (!byIndexTable) // a table listed without indexes is one the index diff manages
            groups.try_emplace(objectKey(table.table));
        for (const Index& index : table.indexes)
            groups[objectKey(byIndexTable ? index.table : table.table)].push_back(&index);
    }
    IndexesByTable merged;
    for (const auto& [key, indexes] : groups)
        merged[key] = mergeOrder(indexes);
    return merged;
}

// One target object the pass drops: where, and what has become of the
// columns it involves.
struct Wrapped {
    std::size_t first = 0;
    std::size_t last = 0;
    bool goneWithColumn = false; // a column it involves is dropped
    std::string table;           // the table as the column change names it
};

class DependencyPass {
public:
    DependencyPass(const ChangeList& changes, const DependencyFacts& facts)
        : m_changes(changes), m_facts(facts),
          m_snapshotIndexes(facts.indexesCompared ? byTable(facts.snapshotIndexes, false)
                                                  : IndexesByTable()),
          m_targetIndexes(byTable(facts.targetIndexes, true)) {
        for (const Change& change : changes)
            m_about.push_back(about(change));
    }

    void wrapColumnChanges();
    void wrapKeyDrops();
    ChangeList rebuilt() const;

private:
    template <class Key>
    void note(std::map<Key, Wrapped>& wrapped, const Key& key, const std::string& table,
              std::size_t position, std::size_t end, bool columnDropped);
    template <class Predicate> std::size_t groupEnd(std::size_t position, Predicate same) const;
    const std::vector<Index>& indexesOf(const IndexesByTable& side, std::string_view table) const;
    bool indexesManaged(std::string_view table) const;
    void placeIndexes();
    void placeDefaults();
    void placeForeignKeys();
    static void putBack(const ForeignKey& key, std::vector<Placed>& after);
    const Index* counterpart(const std::string& table, const Index& target) const;
    bool removed(const About& change) const;
    bool keyRemainsFor(const ForeignKey& key) const;
    bool typesStillMatch(const ForeignKey& key) const;
    const Column* columnAfter(const std::string& table, const std::string& column) const;
    bool canWrap(const About& change) const;

    const ChangeList& m_changes;
    const DependencyFacts& m_facts;
    std::vector<About> m_about;
    IndexesByTable m_snapshotIndexes;
    IndexesByTable m_targetIndexes;

    // Keyed by position in the facts' lists (indexes by table key and index).
    std::map<std::pair<std::string, std::size_t>, Wrapped> m_indexes;
    std::map<std::size_t, Wrapped> m_defaults;
    std::map<std::size_t, Wrapped> m_foreignKeys;

    std::map<std::size_t, std::vector<Placed>> m_before;
    std::map<std::size_t, std::vector<Placed>> m_after;
    std::set<std::pair<std::string, std::string>> m_takenIndexes; // table key, name key
    std::set<std::string> m_takenDefaults;                        // name key
    ChangeList m_laterDefaults; // defaults re-created on another column, with the diff's
};

const std::vector<Index>& DependencyPass::indexesOf(const IndexesByTable& side,
                                                    std::string_view table) const {
    static const std::vector<Index> none;
    const auto found = side.find(objectKey(table));
    return found == side.end() ? none : found->second;
}

// True when the index diff brings the table's indexes into line: it ran and
// the snapshot has index rows for the table.
bool DependencyPass::indexesManaged(std::string_view table) const {
    return m_snapshotIndexes.count(objectKey(table)) != 0;
}

// The last position from `position` on whose change is of the same table and
// passes `same`: the table's column changes, or its index changes, stand
// together in the list.
template <class Predicate>
std::size_t DependencyPass::groupEnd(std::size_t position, Predicate same) const {
    std::size_t end = position;
    while (end + 1 < m_about.size() && same(m_about[end + 1].subject) &&
           sameTable(m_about[end + 1].table, m_about[position].table))
        ++end;
    return end;
}

template <class Key>
void DependencyPass::note(std::map<Key, Wrapped>& wrapped, const Key& key, const std::string& table,
                          std::size_t position, std::size_t end, bool columnDropped) {
    auto [entry, inserted] = wrapped.try_emplace(key, Wrapped{position, end, false, table});
    Wrapped& w = entry->second;
    w.first = std::min(w.first, position);
    w.last = std::max(w.last, end);
    w.goneWithColumn = w.goneWithColumn || columnDropped;
}

void DependencyPass::wrapColumnChanges() {
    for (std::size_t p = 0; p < m_about.size(); ++p) {
        const About& change = m_about[p];
        if ((change.subject != Subject::AlterColumn && change.subject != Subject::DropColumn) ||
            !canWrap(change))
            continue;
        const bool drop = change.subject == Subject::DropColumn;
        const std::size_t end = groupEnd(p, isColumnChange);

        const auto& indexes = indexesOf(m_targetIndexes, change.table);
        for (std::size_t i = 0; i < indexes.size(); ++i) {
            if (hasKey(indexes[i], change.name))
                note(m_indexes, {objectKey(change.table), i}, change.table, p, end, drop);
        }
        const auto& defaults = m_facts.targetDefaults;
        for (std::size_t i = 0; i < defaults.size(); ++i) {
            if (sameTable(defaults[i].table, change.table) &&
                sameName(defaults[i].column, change.name))
                note(m_defaults, i, change.table, p, end, drop);
        }
        const auto& keys = m_facts.foreignKeys;
        for (std::size_t i = 0; i < keys.size(); ++i) {
            if (involves(keys[i], change.table, change.name))
                note(m_foreignKeys, i, change.table, p, end, drop);
        }
    }
    placeIndexes();
    placeDefaults();
    placeForeignKeys();
}

// True when the referenced table will have a unique key over the foreign
// key's referenced columns once the script has run: the snapshot's, where the
// index diff looks after the table, else the target's own.
bool DependencyPass::keyRemainsFor(const ForeignKey& key) const {
    const auto& indexes = indexesManaged(key.referencedTable)
                              ? indexesOf(m_snapshotIndexes, key.referencedTable)
                              : indexesOf(m_targetIndexes, key.referencedTable);
    return std::any_of(indexes.begin(), indexes.end(),
                       [&](const Index& index) { return isKeyOver(index, key.referencedColumns); });
}

// The definition a column will have once the script has run: the
// snapshot's where the snapshot holds the table and column (the table diff
// brings it into line), else the target's; null where neither side says.
const Column* DependencyPass::columnAfter(const std::string& table,
                                          const std::string& column) const {
    for (const std::vector<Table>* side : {m_facts.snapshotTables, m_facts.targetTables}) {
        if (!side)
            continue;
        for (const Table& t : *side) {
            if (!sameTable(t.name, table))
                continue;
            for (const Column& c : t.columns) {
                if (sameName(c.name, column))
                    return &c;
            }
        }
    }
    return nullptr;
}

// keyColumnTypesMatch over the columns as the script leaves them; true where
// the tables are not given.
bool DependencyPass::typesStillMatch(const ForeignKey& key) const {
    if (!m_facts.snapshotTables || !m_facts.targetTables)
        return true;
    return keyColumnTypesMatch(key, [this](const std::string& table, const std::string& column) {
        return columnAfter(table, column);
    });
}

// An Alter is wrapped only where everything dropped around it comes back: a
// foreign key whose referenced key the snapshot changes into one it cannot
// stand on, or whose columns would no longer be of the referenced columns'
// type, would be lost for good (foreign keys are not compared, so no later
// compare would show it). A Drop takes what involves its column along.
bool DependencyPass::canWrap(const About& change) const {
    if (change.identityBound)
        return false;
    if (change.subject == Subject::DropColumn)
        return true;
    const auto& keys = m_facts.foreignKeys;
    return std::all_of(keys.begin(), keys.end(), [&](const ForeignKey& key) {
        return !involves(key, change.table, change.name) ||
               (keyRemainsFor(key) && typesStillMatch(key));
    });
}

// The snapshot's index that the index diff compares with the target's
// `target`: the primary keys pair up by table, the rest by name.
const Index* DependencyPass::counterpart(const std::string& table, const Index& target) const {
    const auto& snapshot = indexesOf(m_snapshotIndexes, table);
    if (snapshot.empty())
        return nullptr;
    const auto& targetRead = indexesOf(m_targetIndexes, table);
    const auto targetSide =
        snapshot.front().carriesKeyFacts ? targetRead : withoutKeyFacts(targetRead);
    const PrimaryKeyPair keys = pairPrimaryKeys(snapshot, targetSide);
    if (keys.target && sameName(targetSide[*keys.target].name, target.name))
        return keys.snapshot ? &snapshot[*keys.snapshot] : nullptr;
    for (std::size_t i = 0; i < snapshot.size(); ++i) {
        if (i != keys.snapshot && sameName(snapshot[i].name, target.name))
            return &snapshot[i];
    }
    return nullptr;
}

void DependencyPass::placeIndexes() {
    for (const auto& [key, wrapped] : m_indexes) {
        const Index& target = indexesOf(m_targetIndexes, wrapped.table)[key.second];
        m_before[wrapped.first].push_back(
            {target.isPrimaryKey() ? Rank::PrimaryKey : Rank::Index,
             target.name,
             {DropIndex{wrapped.table, target.name, target.isKeyConstraint()}}});

        std::optional<Index> recreated;
        if (!indexesManaged(wrapped.table)) {
            if (!wrapped.goneWithColumn)
                recreated = target;
        } else if (const Index* snapshot = counterpart(wrapped.table, target)) {
            // A snapshot that does not record key facts would re-create a key
            // as a plain index; where the definitions agree the target's own
            // form keeps its uniqueness.
            const bool keepTargetForm = !snapshot->carriesKeyFacts &&
                                        equalDefinitions(*snapshot, withoutKeyFacts({target})[0]);
            recreated = keepTargetForm ? target : *snapshot;
            m_takenIndexes.insert({key.first, nameKey(snapshot->name)});
        }
        m_takenIndexes.insert({key.first, nameKey(target.name)});
        if (recreated) {
            const Rank rank =
                recreated->isPrimaryKey() ? Rank::RecreatedPrimaryKey : Rank::RecreatedIndex;
            m_after[wrapped.last].push_back({rank, recreated->name, {CreateIndex{*recreated}}});
        }
    }
}

void DependencyPass::placeDefaults() {
    const auto& snapshot = m_facts.snapshotDefaults;
    const auto& target = m_facts.targetDefaults;
    auto targetHolds = [&](const std::string& name) {
        return std::any_of(target.begin(), target.end(),
                           [&](const DefaultConstraint& d) { return sameName(d.name, name); });
    };
    for (const auto& [index, wrapped] : m_defaults) {
        const DefaultConstraint& dropped = target[index];
        m_before[wrapped.first].push_back(
            {Rank::Default, dropped.name, {DropDefault{dropped.table, dropped.name}}});
        m_takenDefaults.insert(nameKey(dropped.name));
        for (const DefaultConstraint& s : snapshot) {
            const bool sameColumn = !wrapped.goneWithColumn && sameTable(s.table, dropped.table) &&
                                    sameName(s.column, dropped.column);
            const bool sameConstraint = sameName(s.name, dropped.name);
            if (!sameColumn && !sameConstraint)
                continue;
            // A default of another name can only be added where the target
            // has no constraint of that name left.
            if (!sameConstraint && targetHolds(s.name))
                continue;
            m_takenDefaults.insert(nameKey(s.name));
            if (sameColumn)
                m_after[wrapped.last].push_back({Rank::RecreatedDefault, s.name, {AddDefault{s}}});
            else // on a column of its own, which may not exist before the table changes end
                m_laterDefaults.push_back({AddDefault{s}});
        }
    }
}

void DependencyPass::placeForeignKeys() {
    for (const auto& [index, wrapped] : m_foreignKeys) {
        const ForeignKey& key = m_facts.foreignKeys[index];
        m_before[wrapped.first].push_back({Rank::ForeignKey, key.name, {DropForeignKey{key}}});
        if (!wrapped.goneWithColumn)
            putBack(key, m_after[wrapped.last]);
    }
}

// A foreign key comes back as the target had it: its rows left unchecked
// where they never were checked (not trusted, or disabled), disabled again
// where it was.
void DependencyPass::putBack(const ForeignKey& key, std::vector<Placed>& after) {
    ForeignKey asItWas = key;
    asItWas.notTrusted = key.notTrusted || key.disabled;
    after.push_back({Rank::RecreatedForeignKey, key.name, {AddForeignKey{asItWas}}});
    if (key.disabled)
        after.push_back({Rank::DisabledForeignKey,
                         key.name,
                         {SetConstraintChecking{key.table, key.name, false}}});
}

void DependencyPass::wrapKeyDrops() {
    const auto& keys = m_facts.foreignKeys;
    for (std::size_t p = 0; p < m_about.size(); ++p) {
        const About& change = m_about[p];
        if (change.subject != Subject::DropIndex || removed(change))
            continue;
        const auto& indexes = indexesOf(m_targetIndexes, change.table);
        const auto dropped = std::find_if(indexes.begin(), indexes.end(), [&](const Index& i) {
            return sameName(i.name, change.name);
        });
        if (dropped == indexes.end())
            continue;
        const std::size_t end = groupEnd(p, isIndexChange);
        std::vector<std::size_t> referencing;
        for (std::size_t i = 0; i < keys.size(); ++i) {
            if (!sameTable(keys[i].referencedTable, change.table) || !references(keys[i], *dropped))
                continue;
            const auto wrapped = m_foreignKeys.find(i);
            if (wrapped == m_foreignKeys.end() || !wrapped->second.goneWithColumn)
                referencing.push_back(i); // else dropped with its column already
        }
        // A key whose new form cannot carry its foreign keys stays: its drop
        // is refused and reported rather than the foreign keys lost.
        if (!std::all_of(referencing.begin(), referencing.end(),
                         [&](std::size_t i) { return keyRemainsFor(keys[i]); }))
            continue;
        for (std::size_t i : referencing) {
            m_before[p].push_back({Rank::ForeignKey, keys[i].name, {DropForeignKey{keys[i]}}});
            putBack(keys[i], m_after[end]);
        }
    }
}

bool DependencyPass::removed(const About& change) const {
    if (isIndexChange(change.subject))
        return m_takenIndexes.count({objectKey(change.table), nameKey(change.name)}) != 0;
    if (change.subject == Subject::Default)
        return m_takenDefaults.count(nameKey(change.name)) != 0;
    return false;
}

void appendPlaced(std::vector<Placed> placed, ChangeList& out) {
    std::stable_sort(placed.begin(), placed.end(), [](const Placed& a, const Placed& b) {
        if (a.rank != b.rank)
            return a.rank < b.rank;
        return nameKeyLess(a.name, b.name);
    });
    for (Placed& p : placed)
        out.push_back(std::move(p.change));
}

ChangeList DependencyPass::rebuilt() const {
    ChangeList out;
    for (std::size_t p = 0; p < m_changes.size(); ++p) {
        if (const auto found = m_before.find(p); found != m_before.end())
            appendPlaced(found->second, out);
        if (!removed(m_about[p]))
            out.push_back(m_changes[p]);
        if (const auto found = m_after.find(p); found != m_after.end())
            appendPlaced(found->second, out);
    }
    // The defaults come last in a run; these join them.
    out.insert(out.end(), m_laterDefaults.begin(), m_laterDefaults.end());
    return out;
}

} // namespace

bool mayNeedDependencyPass(const ChangeList& changes) {
    return std::any_of(changes.begin(), changes.end(), [](const Change& change) {
        return std::holds_alternative<AlterColumn>(change.record) ||
               std::holds_alternative<DropColumn>(change.record) ||
               std::holds_alternative<DropIndex>(change.record);
    });
}

void applyDependencyPass(ChangeList& changes, const DependencyFacts& facts) {
    DependencyPass pass(changes, facts);
    pass.wrapColumnChanges();
    pass.wrapKeyDrops();
    changes = pass.rebuilt();
}

} // namespace dbc
