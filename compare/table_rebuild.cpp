#include "compare/table_rebuild.h"

#include "catalog/name_key.h"
#include "catalog/object_kinds.h"
#include "compare/foreign_key_types.h"
#include "compare/index_pairing.h"
#include "data/object_name.h"
#include "data/sql_names.h"
#include "data/utf16.h"
#include "script/column_type.h"

#include <algorithm>
#include <map>
#include <optional>
#include <string_view>
#include <type_traits>

namespace dbc {

namespace {

bool sameName(std::string_view a, std::string_view b) {
    return compareNameKeys(a, b) == 0;
}

bool sameTable(std::string_view a, std::string_view b) {
    return objectKey(a) == objectKey(b);
}

bool isType(const std::string& type, std::initializer_list<std::string_view> names) {
    return std::any_of(names.begin(), names.end(),
                       [&](std::string_view name) { return sameName(type, name); }) &&
           typeKindOf(type) != TypeKind::Alias;
}

bool alterableType(const std::string& type) {
    return !isType(type, {"text", "ntext", "image", "timestamp"});
}

bool isTimestamp(const Column& column) {
    return isType(column.type, {"timestamp"});
}

const Table* findTable(const std::vector<Table>* tables, std::string_view name) {
    if (!tables)
        return nullptr;
    const auto found = std::find_if(tables->begin(), tables->end(),
                                    [&](const Table& t) { return sameTable(t.name, name); });
    return found == tables->end() ? nullptr : &*found;
}

const Column* findColumn(const std::vector<Column>& columns, std::string_view name) {
    const auto found = std::find_if(columns.begin(), columns.end(),
                                    [&](const Column& c) { return sameName(c.name, name); });
    return found == columns.end() ? nullptr : &*found;
}

bool holdsAll(const std::vector<Column>& columns, const std::vector<std::string>& names) {
    return std::all_of(names.begin(), names.end(),
                       [&](const std::string& name) { return findColumn(columns, name); });
}

bool isKeyOver(const Index& index, const std::vector<std::string>& columns) {
    if (!(index.unique || index.isKeyConstraint()) || index.keys.size() != columns.size())
        return false;
    return std::all_of(index.keys.begin(), index.keys.end(), [&](const IndexKey& key) {
        return std::any_of(columns.begin(), columns.end(),
                           [&](const std::string& c) { return sameName(c, key.column); });
    });
}

// The table a column change is about, or null for any other change.
const std::string* columnChangeTable(const Change& change) {
    if (const auto* add = std::get_if<AddColumn>(&change.record))
        return &add->column.table;
    if (const auto* alter = std::get_if<AlterColumn>(&change.record))
        return &alter->column.table;
    if (const auto* drop = std::get_if<DropColumn>(&change.record))
        return &drop->table;
    return nullptr;
}

// One table's rebuild, planned from the facts; `failure` says why it cannot
// be done.
class RebuildPlan {
public:
    RebuildPlan(const RebuildFacts& facts, const Table& snapshot, const Table& target,
                const std::vector<DefaultConstraint>& carried, const ChangeList& changes)
        : m_facts(facts), m_deps(facts.dependencies), m_target(target) {
        m_rebuild.table = snapshot.name;
        m_rebuild.oldTable = target.name;
        m_rebuild.columns = snapshot.columns;
        std::stable_sort(
            m_rebuild.columns.begin(), m_rebuild.columns.end(),
            [](const Column& a, const Column& b) { return nameKeyLess(a.name, b.name); });
        m_rebuild.temporaryName = temporaryTableName(snapshot.name, facts.takenNames);
        planCopy(carried);
        planIndexes();
        planDefaults(carried, changes);
        planChecks(changes);
        planTriggers();
        planForeignKeys();
    }

    const std::optional<std::string>& failure() const { return m_failure; }
    bool indexesManaged() const { return m_indexesManaged; }
    // Target defaults that go with the old table and do not come back.
    const std::vector<std::string>& defaultsGone() const { return m_defaultsGone; }
    RebuildTable take(std::string reason) {
        m_rebuild.reason = std::move(reason);
        m_rebuild.putBack.insert(m_rebuild.putBack.end(), m_keysBack.begin(), m_keysBack.end());
        return std::move(m_rebuild);
    }

private:
    void fail(std::string why) {
        if (!m_failure)
            m_failure = std::move(why);
    }

    const std::vector<Column>& newColumns() const { return m_rebuild.columns; }

    void planCopy(const std::vector<DefaultConstraint>& carried) {
        for (const Column& column : newColumns()) {
            if (!column.scaleKnown && typeKindOf(column.type) == TypeKind::ExactNumeric)
                fail("the snapshot does not hold the scale of its column " + sqlName(column.name) +
                     " (written by an earlier version); capture the source again to rebuild it");
            // A computed column computes its values again in the new table;
            // a timestamp column takes new ones.
            if (column.computed())
                continue;
            const Column* old = findColumn(m_target.columns, column.name);
            if (old && !old->computed() && !isTimestamp(column) && !isTimestamp(*old)) {
                m_rebuild.copiedColumns.push_back(column.name);
                m_rebuild.sourceColumns.push_back(old->name);
                m_rebuild.identityInsert = m_rebuild.identityInsert || column.colStat == "1";
            } else if (!old) {
                for (const DefaultConstraint& d : carried) {
                    if (sameName(d.column, column.name))
                        m_rebuild.filledColumns.push_back({column.name, d.value});
                }
            }
        }
    }

    const std::vector<Index>* indexesOf(const std::vector<TableIndexes>& side,
                                        std::string_view table) const {
        for (const TableIndexes& t : side) {
            if (sameTable(t.table, table))
                return &t.indexes;
        }
        return nullptr;
    }

    // The indexes a table will have once the script has run.
    std::vector<Index> indexesAfter(std::string_view table) const {
        if (sameTable(table, m_rebuild.table))
            return m_indexes;
        const auto* snapshot =
            m_deps.indexesCompared ? indexesOf(m_deps.snapshotIndexes, table) : nullptr;
        const auto* side = snapshot ? snapshot : indexesOf(m_deps.targetIndexes, table);
        return side ? *side : std::vector<Index>{};
    }

    void planIndexes() {
        const auto* snapshot =
            m_deps.indexesCompared ? indexesOf(m_deps.snapshotIndexes, m_rebuild.table) : nullptr;
        const auto* target = indexesOf(m_deps.targetIndexes, m_rebuild.table);
        m_indexesManaged = snapshot != nullptr;
        if (snapshot) {
            std::vector<const Index*> refs;
            for (const Index& index : *snapshot)
                refs.push_back(&index);
            for (const Index& index : mergeOrder(refs))
                m_indexes.push_back(keptForm(index, target));
        } else if (target) {
            for (const Index& index : *target) {
                std::vector<std::string> keys;
                for (const IndexKey& key : index.keys)
                    keys.push_back(key.column);
                if (holdsAll(newColumns(), keys))
                    m_indexes.push_back(index);
            }
        }
        // The primary key first, so the other indexes are built once.
        std::stable_partition(m_indexes.begin(), m_indexes.end(),
                              [](const Index& index) { return index.isPrimaryKey(); });
        for (Index& index : m_indexes) {
            index.table = m_rebuild.table;
            m_rebuild.putBack.push_back(CreateIndex{index});
        }
    }

    // A snapshot that does not record key facts would make a key a plain
    // index; where the target's index of that name has the same definition
    // its own form keeps its uniqueness.
    static Index keptForm(const Index& snapshot, const std::vector<Index>* target) {
        if (snapshot.carriesKeyFacts || !target)
            return snapshot;
        for (const Index& t : *target) {
            if (sameName(t.name, snapshot.name) &&
                equalDefinitions(snapshot, withoutKeyFacts({t})[0]))
                return t;
        }
        return snapshot;
    }

    void planDefaults(const std::vector<DefaultConstraint>& carried, const ChangeList&) {
        for (const DefaultConstraint& d : m_deps.targetDefaults) {
            if (!sameTable(d.table, m_rebuild.table))
                continue;
            if (const Column* column = findColumn(newColumns(), d.column)) {
                DefaultConstraint back = d;
                back.table = m_rebuild.table;
                back.column = column->name;
                m_rebuild.putBack.push_back(AddDefault{back});
            } else {
                m_defaultsGone.push_back(d.name);
            }
        }
        for (DefaultConstraint d : carried) {
            d.table = m_rebuild.table;
            m_rebuild.putBack.push_back(AddDefault{d});
        }
    }

    void planChecks(const ChangeList& changes) {
        auto droppedFirst = [&](const CheckConstraint& check) {
            return std::any_of(changes.begin(), changes.end(), [&](const Change& change) {
                const auto* drop = std::get_if<DropCheck>(&change.record);
                return drop && sameTable(drop->table, check.table) &&
                       sameName(drop->name, check.name);
            });
        };
        for (const CheckConstraint& check : m_facts.targetChecks) {
            if (!sameTable(check.table, m_rebuild.table) || droppedFirst(check))
                continue;
            if (!check.column.empty() && !findColumn(newColumns(), check.column))
                continue; // declared on a column the new table lacks: gone with it
            CheckConstraint back = check;
            back.table = m_rebuild.table;
            m_rebuild.putBack.push_back(AddCheck{back, check.disabled});
            if (check.disabled)
                m_rebuild.putBack.push_back(
                    SetConstraintChecking{m_rebuild.table, check.name, false});
        }
    }

    void planTriggers() {
        for (const TableTrigger& trigger : m_facts.targetTriggers) {
            if (!sameTable(trigger.table, m_rebuild.table))
                continue;
            const auto found =
                std::find_if(m_facts.triggerTexts.begin(), m_facts.triggerTexts.end(),
                             [&](const TargetModule& m) { return sameName(m.name, trigger.name); });
            if (found == m_facts.triggerTexts.end() || !found->exists || !found->text) {
                fail("the text of its trigger " + sqlName(trigger.name) +
                     " cannot be read, so it could not be put back");
                continue;
            }
            std::string text;
            for (const std::string& row : *found->text)
                text += row;
            m_rebuild.putBack.push_back(CreateModule{&triggerKind, trigger.name, text});
        }
    }

    // The definition a column will have once the script has run.
    const Column* columnAfter(const std::string& table, const std::string& column) const {
        if (sameTable(table, m_rebuild.table))
            return findColumn(newColumns(), column);
        for (const std::vector<Table>* side : {m_deps.snapshotTables, m_deps.targetTables}) {
            if (const Table* t = findTable(side, table)) {
                if (const Column* c = findColumn(t->columns, column))
                    return c;
            }
        }
        return nullptr;
    }

    bool typesStillMatch(const ForeignKey& key) const {
        return keyColumnTypesMatch(key,
                                   [this](const std::string& table, const std::string& column) {
                                       return columnAfter(table, column);
                                   });
    }

    void planForeignKeys() {
        for (const ForeignKey& key : m_deps.foreignKeys) {
            const bool own = sameTable(key.table, m_rebuild.table);
            const bool referencing = sameTable(key.referencedTable, m_rebuild.table);
            if (!own && !referencing)
                continue;
            m_rebuild.dropsBefore.push_back(DropForeignKey{key});
            // A key over a column the new table lacks goes with that column.
            if ((own && !holdsAll(newColumns(), key.columns)) ||
                (referencing && !holdsAll(newColumns(), key.referencedColumns)))
                continue;
            const auto after = indexesAfter(key.referencedTable);
            const bool keyRemains = std::any_of(after.begin(), after.end(), [&](const Index& i) {
                return isKeyOver(i, key.referencedColumns);
            });
            if (!keyRemains || !typesStillMatch(key)) {
                fail("the foreign key " + sqlName(key.name) + " could not be put back");
                continue;
            }
            ForeignKey asItWas = key;
            asItWas.notTrusted = key.notTrusted || key.disabled;
            if (own)
                asItWas.table = m_rebuild.table;
            if (referencing)
                asItWas.referencedTable = m_rebuild.table;
            m_keysBack.push_back(AddForeignKey{asItWas});
            if (key.disabled)
                m_keysBack.push_back(SetConstraintChecking{asItWas.table, key.name, false});
        }
    }

    const RebuildFacts& m_facts;
    const DependencyFacts& m_deps;
    const Table& m_target;
    RebuildTable m_rebuild;
    std::vector<Index> m_indexes;
    std::vector<RebuildStep> m_keysBack;
    std::vector<std::string> m_defaultsGone;
    bool m_indexesManaged = false;
    std::optional<std::string> m_failure;
};

// Why a table is rebuilt: the first Alter that needs it.
std::string reasonFor(const AlterColumn& alter) {
    const std::string column = sqlName(alter.column.name);
    if (alter.targetColumn && alter.targetColumn->colStat != alter.column.colStat)
        return alter.column.colStat == "1" ? "IDENTITY added to " + column
                                           : "IDENTITY removed from " + column;
    if (alter.column.colStat == "1")
        return "identity column " + column + " changed";
    return "column " + column + " of a type ALTER COLUMN cannot change";
}

// Takes out of `changes` what the rebuild of `table` replaces and puts the
// rebuild at the place of the table's first column change.
void replaceChanges(ChangeList& changes, const std::string& table, const RebuildPlan& plan,
                    RebuildTable rebuild) {
    ChangeList out;
    bool placed = false;
    auto goneDefault = [&](const DropDefault& drop) {
        const auto& gone = plan.defaultsGone();
        return sameTable(drop.table, table) &&
               std::any_of(gone.begin(), gone.end(),
                           [&](const std::string& name) { return sameName(name, drop.name); });
    };
    for (Change& change : changes) {
        if (const std::string* of = columnChangeTable(change); of && sameTable(*of, table)) {
            if (!placed)
                out.push_back({RebuildTable{}});
            placed = true;
            std::visit(
                [&](const auto& record) {
                    using Record = std::decay_t<decltype(record)>;
                    if constexpr (std::is_constructible_v<RebuiltChange, Record>)
                        rebuild.replaced.emplace_back(record);
                },
                change.record);
            continue;
        }
        const auto* create = std::get_if<CreateIndex>(&change.record);
        const auto* drop = std::get_if<DropIndex>(&change.record);
        if (plan.indexesManaged() && ((create && sameTable(create->index.table, table)) ||
                                      (drop && sameTable(drop->table, table)))) {
            if (create)
                rebuild.replaced.emplace_back(*create);
            else
                rebuild.replaced.emplace_back(*drop);
            continue;
        }
        if (const auto* dropDefault = std::get_if<DropDefault>(&change.record);
            dropDefault && goneDefault(*dropDefault))
            continue;
        out.push_back(std::move(change));
    }
    for (Change& change : out) {
        if (auto* placedRebuild = std::get_if<RebuildTable>(&change.record))
            if (placedRebuild->table.empty())
                *placedRebuild = std::move(rebuild);
    }
    changes = std::move(out);
}

} // namespace

bool alterNeedsRebuild(const AlterColumn& change) {
    if (change.identityOnly || change.column.colStat == "1")
        return true;
    if (change.targetColumn && change.targetColumn->colStat != change.column.colStat)
        return true;
    return !alterableType(change.column.type) ||
           (change.targetColumn && !alterableType(change.targetColumn->type));
}

bool mayNeedRebuild(const ChangeList& changes) {
    return std::any_of(changes.begin(), changes.end(), [](const Change& change) {
        const auto* alter = std::get_if<AlterColumn>(&change.record);
        return alter && alterNeedsRebuild(*alter);
    });
}

std::string temporaryTableName(const std::string& table, const std::set<std::string>& taken) {
    constexpr std::size_t longest = 128; // sysname, in UTF-16 units
    for (int number = 1;; ++number) {
        const std::u16string suffix = number == 1 ? u"" : utf8ToUtf16("_" + std::to_string(number));
        std::u16string name = u"Tmp_" + utf8ToUtf16(bareName(table));
        std::size_t room = longest - suffix.size();
        if (name.size() > room) {
            // Never between the two halves of a surrogate pair.
            if (name[room - 1] >= 0xD800 && name[room - 1] <= 0xDBFF)
                --room;
            name.resize(room);
        }
        // Beside its table, in the table's schema.
        const std::string candidate = inSchemaOf(table, utf16ToUtf8(name + suffix));
        if (!taken.contains(objectKey(candidate)))
            return candidate;
    }
}

void applyTableRebuilds(ChangeList& changes, const RebuildFacts& facts) {
    // The tables to rebuild, each with its first Alter that needs it, in
    // list order.
    std::vector<std::pair<std::string, AlterColumn>> tables;
    std::map<std::string, std::vector<DefaultConstraint>> carried;
    for (const Change& change : changes) {
        if (const auto* alter = std::get_if<AlterColumn>(&change.record);
            alter && alterNeedsRebuild(*alter)) {
            const bool listed = std::any_of(tables.begin(), tables.end(), [&](const auto& t) {
                return sameTable(t.first, alter->column.table);
            });
            if (!listed)
                tables.push_back({alter->column.table, *alter});
        }
        if (const auto* add = std::get_if<AddColumn>(&change.record); add && add->carriedDefault)
            carried[objectKey(add->column.table)].push_back(*add->carriedDefault);
    }
    const DependencyFacts& deps = facts.dependencies;
    for (const auto& [table, alter] : tables) {
        const Table* snapshot = findTable(deps.snapshotTables, table);
        const Table* target = findTable(deps.targetTables, table);
        if (!snapshot || !target)
            continue;
        RebuildPlan plan(facts, *snapshot, *target, carried[objectKey(table)], changes);
        if (plan.failure()) {
            const auto first = std::find_if(changes.begin(), changes.end(), [&](const Change& c) {
                const std::string* of = columnChangeTable(c);
                return of && sameTable(*of, table);
            });
            changes.insert(first, {UnscriptedChange{sqlName(snapshot->name),
                                                    "not rebuilt (" + reasonFor(alter) +
                                                        "): " + *plan.failure()}});
            continue;
        }
        replaceChanges(changes, table, plan, plan.take(reasonFor(alter)));
    }
}

} // namespace dbc
