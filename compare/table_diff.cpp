#include "compare/catalog_diff.h"

#include "catalog/name_key.h"
#include "compare/definition_form.h"
#include "data/sql_names.h"
#include "script/column_type.h"
#include "script/expression_text.h"
#include "script/statement_text.h"

#include <algorithm>
#include <string>
#include <unordered_map>

namespace dbc {

namespace {

using ColumnRefs = std::vector<const Column*>;

// A table's columns sorted by the name key of the column name.
ColumnRefs sortedColumns(ColumnRefs columns) {
    std::stable_sort(columns.begin(), columns.end(), [](const Column* a, const Column* b) {
        return nameKeyLess(a->name, b->name);
    });
    return columns;
}

// Every column of the target per object key of its table name, in read order.
std::unordered_map<std::string, ColumnRefs> columnsByTable(const std::vector<Table>& tables) {
    std::unordered_map<std::string, ColumnRefs> groups;
    for (const Table& table : tables) {
        for (const Column& column : table.columns)
            groups[objectKey(column.table)].push_back(&column);
    }
    return groups;
}

bool definitionsDiffer(const Column& snapshot, const Column& target) {
    return snapshot.length != target.length || snapshot.type != target.type ||
           snapshot.nullable != target.nullable || snapshot.collation != target.collation ||
           snapshot.colStat != target.colStat ||
           (snapshot.scaleKnown && target.scaleKnown && snapshot.scale != target.scale);
}

// A decimal or numeric column read from a snapshot written before scales
// were kept: no statement can write it without losing its scale (the type
// alone makes numeric(18,0) and rounds every value).
bool scaleMissing(const Column& column) {
    return !column.scaleKnown && typeKindOf(column.type) == TypeKind::ExactNumeric;
}

constexpr const char* captureAgain =
    "the snapshot does not hold its scale (written by an earlier version); capture the source "
    "again to compare it";

UnscriptedChange scaleUnknown(const Column& column) {
    return {columnObjectName(column.table, column.name), captureAgain};
}

// A table the target lacks is created whole or not at all.
UnscriptedChange tableScaleUnknown(const Column& column) {
    return {sqlName(column.table),
            "not created: the snapshot does not hold the scale of its column " +
                sqlName(column.name) +
                " (written by an earlier version); capture the source again to create it"};
}

// Adds a column, with its default when the snapshot has one for it and the
// target has no constraint of that name.
class ColumnAdder {
public:
    ColumnAdder(const DefaultSides& defaults, std::set<std::string>& carried)
        : m_defaults(defaults), m_carried(carried) {
        for (const DefaultConstraint& constraint : defaults.target)
            m_targetNames.insert(nameKey(constraint.name));
    }

    AddColumn operator()(const Column& column) const {
        AddColumn add{column, std::nullopt};
        const std::string table = objectKey(column.table);
        for (const DefaultConstraint& constraint : m_defaults.snapshot) {
            if (compareNameKeys(constraint.column, column.name) != 0 ||
                objectKey(constraint.table) != table)
                continue;
            if (!m_targetNames.contains(nameKey(constraint.name))) {
                add.carriedDefault = constraint;
                m_carried.insert(nameKey(constraint.name));
            }
            break;
        }
        return add;
    }

private:
    const DefaultSides& m_defaults;
    std::set<std::string>& m_carried;
    std::set<std::string> m_targetNames;
};

// True when the pair is computed on either side, as far as both sides know.
bool computedOnEitherSide(const Column& snapshot, const Column& target) {
    return snapshot.computedKnown && target.computedKnown &&
           (snapshot.computed() || target.computed());
}

// True when a computed column (or one computed on one side only) must be
// dropped and added again: ALTER COLUMN cannot change a computed column.
bool computedDiffers(const Column& snapshot, const Column& target) {
    return snapshot.computed() != target.computed() ||
           comparedExpression(snapshot.computedDefinition) !=
               comparedExpression(target.computedDefinition);
}

// A table's column changes in the order they can run: drops of the target's
// computed columns first (they may use a column changed below), then the
// plain columns' changes in name order, then the computed columns added
// (they may use a column added above).
struct TableColumnChanges {
    ChangeList computedDrops;
    ChangeList plain;
    ChangeList computedAdds;
    // The target's computed columns left standing, with the snapshot's form
    // of each.
    std::vector<std::pair<const Column*, const Column*>> keptComputed;

    void appendTo(ChangeList& out) const {
        out.insert(out.end(), computedDrops.begin(), computedDrops.end());
        out.insert(out.end(), plain.begin(), plain.end());
        out.insert(out.end(), computedAdds.begin(), computedAdds.end());
    }
};

// A target computed column that uses a column the plain changes alter or
// drop is dropped before them and added again after them: SQL Server refuses
// to change a column a computed column uses (5074).
void wrapComputedUsers(TableColumnChanges& changes, const ColumnAdder& add) {
    std::vector<std::string> changed;
    for (const Change& change : changes.plain) {
        if (const auto* alter = std::get_if<AlterColumn>(&change.record))
            changed.push_back(alter->column.name);
        else if (const auto* drop = std::get_if<DropColumn>(&change.record))
            changed.push_back(drop->column);
    }
    if (changed.empty())
        return;
    for (const auto& [snapshot, target] : changes.keptComputed) {
        const auto used = namesInExpression(target->computedDefinition);
        const bool blocked = std::any_of(changed.begin(), changed.end(), [&](const auto& name) {
            return std::any_of(used.begin(), used.end(),
                               [&](const std::string& u) { return compareNameKeys(u, name) == 0; });
        });
        if (!blocked)
            continue;
        changes.computedDrops.push_back({DropColumn{snapshot->table, target->name, false, true}});
        changes.computedAdds.push_back({add(*snapshot)});
    }
}

void mergeColumns(const ColumnRefs& snapshot, const ColumnRefs& target, const ColumnAdder& add,
                  ChangeList& out) {
    TableColumnChanges changes;
    auto added = [&](const Column& column) {
        if (scaleMissing(column))
            changes.plain.push_back({scaleUnknown(column)});
        else
            (column.computed() ? changes.computedAdds : changes.plain).push_back({add(column)});
    };
    auto dropped = [&](const std::string& table, const Column& column, bool trailing) {
        (column.computedKnown && column.computed() ? changes.computedDrops : changes.plain)
            .push_back({DropColumn{table, column.name, trailing}});
    };
    std::size_t s = 0;
    std::size_t g = 0;
    while (s < snapshot.size() && g < target.size()) {
        const int order = compareNameKeys(snapshot[s]->name, target[g]->name);
        if (order == 0) {
            if (computedOnEitherSide(*snapshot[s], *target[g])) {
                if (computedDiffers(*snapshot[s], *target[g])) {
                    changes.computedDrops.push_back(
                        {DropColumn{snapshot[s]->table, target[g]->name, false, true}});
                    added(*snapshot[s]);
                } else {
                    changes.keptComputed.emplace_back(snapshot[s], target[g]);
                }
            } else if (definitionsDiffer(*snapshot[s], *target[g])) {
                Column withTargetIdentity = *snapshot[s];
                withTargetIdentity.colStat = target[g]->colStat;
                const bool identityOnly = !definitionsDiffer(withTargetIdentity, *target[g]);
                if (scaleMissing(*snapshot[s]))
                    changes.plain.push_back({scaleUnknown(*snapshot[s])});
                else
                    changes.plain.push_back({AlterColumn{*snapshot[s], identityOnly, *target[g]}});
            }
            ++s;
            ++g;
        } else if (order < 0) {
            added(*snapshot[s]);
            ++s;
        } else {
            dropped(snapshot[s]->table, *target[g], false);
            ++g;
        }
    }
    for (; g < target.size(); ++g)
        dropped(target[g]->table, *target[g], true);
    for (; s < snapshot.size(); ++s)
        added(*snapshot[s]);
    wrapComputedUsers(changes, add);
    changes.appendTo(out);
}

} // namespace

void diffTables(const std::vector<Table>& snapshot, const std::vector<Table>& target,
                const DefaultSides& defaults, std::set<std::string>& carried, ChangeList& out) {
    const ColumnAdder add(defaults, carried);
    const auto targetColumns = columnsByTable(target);
    for (const Table& table : snapshot) {
        // A listed table without rows has nothing to compare; merging would
        // drop every target column.
        if (table.columns.empty())
            continue;
        ColumnRefs snapshotRefs;
        for (const Column& column : table.columns)
            snapshotRefs.push_back(&column);
        const auto found = targetColumns.find(objectKey(table.name));
        if (found == targetColumns.end()) {
            CreateTable create{table.name, {}};
            for (const Column* column : sortedColumns(snapshotRefs))
                create.columns.push_back(*column);
            // Computed columns after the columns their definitions use.
            std::stable_partition(create.columns.begin(), create.columns.end(),
                                  [](const Column& column) { return !column.computed(); });
            const auto unknown =
                std::find_if(create.columns.begin(), create.columns.end(), scaleMissing);
            if (unknown != create.columns.end())
                out.push_back({tableScaleUnknown(*unknown)});
            else
                out.push_back({std::move(create)});
        } else {
            mergeColumns(sortedColumns(snapshotRefs), sortedColumns(found->second), add, out);
        }
    }
}

} // namespace dbc
