#include "compare/bound_dependents.h"

#include "catalog/name_key.h"
#include "compare/created_module_order.h"
#include "compare/module_header.h"
#include "compare/module_order.h"

#include <algorithm>
#include <optional>
#include <set>
#include <string>
#include <type_traits>

namespace dbc {

namespace {

using KeySet = std::set<std::string>;

bool namesAny(const std::string& text, const KeySet& keys, const std::string& ownKey = {}) {
    for (const std::string& key : mentionedNameKeys(text)) {
        if (key != ownKey && keys.contains(key))
            return true;
    }
    return false;
}

std::string joined(const std::vector<std::string>& rows) {
    std::string text;
    for (const std::string& row : rows)
        text += row;
    return text;
}

// Where the script's drop or create of a module of `kind` called `key` is,
// if it has one.
template <typename Record>
std::optional<std::size_t> moduleChangeAt(const ChangeList& changes, const ObjectKind& kind,
                                          const std::string& key) {
    for (std::size_t i = 0; i < changes.size(); ++i) {
        const auto* record = std::get_if<Record>(&changes[i].record);
        if (record && record->kind->id == kind.id && objectKey(record->name) == key)
            return i;
    }
    return std::nullopt;
}

// Whether the script names the constraint or column (table, name) in any
// change of the types given: then it drops or adds it itself.
template <typename... Records>
bool handled(const ChangeList& changes, const std::string& table, const std::string& name) {
    const std::string tableKey = objectKey(table);
    const std::string nameKey = objectKey(name);
    auto same = [&](const std::string& t, const std::string& n) {
        return objectKey(t) == tableKey && objectKey(n) == nameKey;
    };
    for (const Change& change : changes) {
        bool found = false;
        auto test = [&](const auto* record) {
            if (!record)
                return;
            using R = std::remove_cvref_t<decltype(*record)>;
            if constexpr (std::is_same_v<R, AddCheck>)
                found = found || same(record->check.table, record->check.name);
            else if constexpr (std::is_same_v<R, AddDefault>)
                found = found || same(record->constraint.table, record->constraint.name);
            else if constexpr (std::is_same_v<R, AddColumn>)
                found = found || same(record->column.table, record->column.name) ||
                        (record->carriedDefault &&
                         same(record->carriedDefault->table, record->carriedDefault->name));
            else if constexpr (std::is_same_v<R, DropColumn>)
                found = found || same(record->table, record->column);
            else if constexpr (std::is_same_v<R, CreateTable>)
                found = found || objectKey(record->table) == tableKey;
            else
                found = found || same(record->table, record->name);
        };
        (test(std::get_if<Records>(&change.record)), ...);
        if (found)
            return true;
    }
    return false;
}

class Placer {
public:
    Placer(ChangeList& changes, std::size_t dropsAt) : m_changes(changes), m_dropsAt(dropsAt) {}

    void dropBefore(Change change) {
        m_changes.insert(m_changes.begin() + static_cast<std::ptrdiff_t>(m_dropsAt),
                         std::move(change));
    }
    void moveBefore(std::size_t at) {
        if (at <= m_dropsAt)
            return;
        Change change = std::move(m_changes[at]);
        m_changes.erase(m_changes.begin() + static_cast<std::ptrdiff_t>(at));
        dropBefore(std::move(change));
    }
    void putBack(Change change) { m_putBack.push_back(std::move(change)); }
    void finish() {
        m_changes.insert(m_changes.end(), std::make_move_iterator(m_putBack.begin()),
                         std::make_move_iterator(m_putBack.end()));
    }

private:
    ChangeList& m_changes;
    std::size_t m_dropsAt;
    ChangeList m_putBack;
};

// Schema-bound views and functions over the dropped objects, and those the
// script drops anyway that name them, found in turn until none is left; each
// newly dropped one goes before those found earlier.
void placeBoundModules(ChangeList& changes, Placer& placer, const BoundDependentFacts& facts,
                       KeySet& dropped, KeySet& droppedFunctions) {
    KeySet done;
    for (bool found = true; found;) {
        found = false;
        for (const auto& [kind, modules] :
             {std::pair{&viewKind, &facts.views}, std::pair{&functionKind, &facts.functions}}) {
            for (const ModuleText& module : *modules) {
                const std::string key = objectKey(module.name);
                const std::string text = joined(module.rows);
                if (done.contains(key) || !namesAny(text, dropped, key))
                    continue;
                // One the script drops anyway may be bound in the target
                // whatever the snapshot's text says: its drop moves up too.
                const auto drop = moduleChangeAt<DropModule>(changes, *kind, key);
                if (!drop && !namesAny(text, {objectKey("schemabinding")}))
                    continue;
                done.insert(key);
                found = true;
                if (drop) {
                    placer.moveBefore(*drop);
                } else if (!moduleChangeAt<CreateModule>(changes, *kind, key)) {
                    std::optional<std::string> create = textUnderName(text, module.name);
                    if (!create)
                        continue;
                    placer.dropBefore({DropModule{kind, module.name}, true});
                    placer.putBack({CreateModule{kind, module.name, std::move(*create)}, true});
                }
                dropped.insert(key);
                if (kind == &functionKind)
                    droppedFunctions.insert(key);
            }
        }
    }
}

} // namespace

void placeBoundDependents(ChangeList& changes, const BoundDependentFacts& facts) {
    // Views and functions hold both; CHECKs, defaults and computed columns
    // can name functions only.
    KeySet dropped;
    KeySet droppedFunctions;
    std::optional<std::size_t> firstDrop;
    for (std::size_t i = 0; i < changes.size(); ++i) {
        const auto* drop = std::get_if<DropModule>(&changes[i].record);
        if (drop &&
            (drop->kind->id == ObjectKind::Function || drop->kind->id == ObjectKind::View)) {
            dropped.insert(objectKey(drop->name));
            if (drop->kind->id == ObjectKind::Function)
                droppedFunctions.insert(objectKey(drop->name));
            firstDrop = firstDrop.value_or(i);
        }
    }
    if (!firstDrop)
        return;
    Placer placer(changes, *firstDrop);
    placeBoundModules(changes, placer, facts, dropped, droppedFunctions);
    if (droppedFunctions.empty()) {
        placer.finish();
        return;
    }
    for (const CheckConstraint& check : facts.checks) {
        if (!namesAny(check.definition, droppedFunctions) ||
            handled<AddCheck, DropCheck, CreateTable>(changes, check.table, check.name))
            continue;
        placer.dropBefore({DropCheck{check.table, check.name}});
        placer.putBack({AddCheck{check}});
        if (check.disabled)
            placer.putBack({SetConstraintChecking{check.table, check.name, false}});
    }
    for (const DefaultConstraint& value : facts.defaults) {
        if (!namesAny(value.value, droppedFunctions) ||
            handled<AddDefault, DropDefault, AddColumn, CreateTable>(changes, value.table,
                                                                     value.name))
            continue;
        placer.dropBefore({DropDefault{value.table, value.name}});
        placer.putBack({AddDefault{value}});
    }
    static const std::vector<Table> noTables;
    for (const Table& table : facts.tables ? *facts.tables : noTables) {
        for (const Column& column : table.columns) {
            if (!column.computed() || !namesAny(column.computedDefinition, droppedFunctions) ||
                handled<AddColumn, DropColumn, CreateTable>(changes, table.name, column.name))
                continue;
            placer.dropBefore({DropColumn{table.name, column.name, false, true}});
            placer.putBack({AddColumn{column, std::nullopt}});
        }
    }
    placer.finish();
}

void placeAroundFunctionChanges(const DatabaseCatalog& snapshot, ChangeList& changes) {
    const bool dropsBindable = std::any_of(changes.begin(), changes.end(), [](const Change& c) {
        const auto* drop = std::get_if<DropModule>(&c.record);
        return drop &&
               (drop->kind->id == ObjectKind::Function || drop->kind->id == ObjectKind::View);
    });
    if (dropsBindable) {
        BoundDependentFacts facts{snapshot.modules[ObjectKind::View],
                                  snapshot.modules[ObjectKind::Function],
                                  snapshot.checks.value_or(std::vector<CheckConstraint>{}),
                                  snapshot.defaults, &snapshot.tables};
        placeBoundDependents(changes, facts);
    }
    orderCreatedViewsAndFunctions(changes);
}

} // namespace dbc
