#include "compare/catalog_diff.h"

#include "catalog/name_key.h"
#include "data/sql_names.h"
#include "script/column_type.h"
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

void mergeColumns(const ColumnRefs& snapshot, const ColumnRefs& target, const ColumnAdder& add,
                  ChangeList& out) {
    std::size_t s = 0;
    std::size_t g = 0;
    while (s < snapshot.size() && g < target.size()) {
        const int order = compareNameKeys(snapshot[s]->name, target[g]->name);
        if (order == 0) {
            if (definitionsDiffer(*snapshot[s], *target[g])) {
                Column withTargetIdentity = *snapshot[s];
                withTargetIdentity.colStat = target[g]->colStat;
                const bool identityOnly = !definitionsDiffer(withTargetIdentity, *target[g]);
                if (scaleMissing(*snapshot[s]))
                    out.push_back({scaleUnknown(*snapshot[s])});
                else
                    out.push_back({AlterColumn{*snapshot[s], identityOnly, *target[g]}});
            }
            ++s;
            ++g;
        } else if (order < 0) {
            out.push_back(scaleMissing(*snapshot[s]) ? Change{scaleUnknown(*snapshot[s])}
                                                     : Change{add(*snapshot[s])});
            ++s;
        } else {
            out.push_back({DropColumn{snapshot[s]->table, target[g]->name, false}});
            ++g;
        }
    }
    for (; g < target.size(); ++g)
        out.push_back({DropColumn{target[g]->table, target[g]->name, true}});
    for (; s < snapshot.size(); ++s)
        out.push_back(scaleMissing(*snapshot[s]) ? Change{scaleUnknown(*snapshot[s])}
                                                 : Change{add(*snapshot[s])});
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
