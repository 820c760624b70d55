#include "table_compare.h"

#include "column_definition.h"
#include "compare_queries.h"
#include "name_key.h"
#include "row_groups.h"

#include <algorithm>
#include <string>

namespace dbc {

namespace {

// Every row of a column result as a ColumnRow. Both sides' results carry the
// same field names (letter case aside), so one reader serves both.
std::vector<ColumnRow> readColumnRows(const Result& result) {
    std::vector<ColumnRow> columns;
    if (result.empty())
        return columns;
    const std::size_t table = result.columnIndex("TableName");
    const std::size_t field = result.columnIndex("FieldName");
    const std::size_t type = result.columnIndex("FieldType");
    const std::size_t length = result.columnIndex("FieldLength");
    const std::size_t nullable = result.columnIndex("IsNullable");
    const std::size_t collation = result.columnIndex("Collation");
    const std::size_t typeStat = result.columnIndex("TypeStat");
    const std::size_t colStat = result.columnIndex("colStat");
    columns.reserve(result.size());
    for (const auto& row : result.rows()) {
        columns.push_back({row.at(table), row.at(field), row.at(type), row.at(length),
                           row.at(nullable), row.at(collation), row.at(typeStat), row.at(colStat)});
    }
    return columns;
}

// One table's columns of one side, sorted by the name key of the column name.
std::vector<ColumnRow> tableColumns(const std::vector<ColumnRow>& all,
                                    const std::vector<std::size_t>& indices) {
    std::vector<ColumnRow> columns;
    columns.reserve(indices.size());
    for (std::size_t index : indices)
        columns.push_back(all[index]);
    std::stable_sort(columns.begin(), columns.end(), [](const ColumnRow& a, const ColumnRow& b) {
        return nameKeyLess(a.fieldName, b.fieldName);
    });
    return columns;
}

bool definitionsDiffer(const ColumnRow& snapshot, const ColumnRow& target) {
    return snapshot.fieldLength != target.fieldLength || snapshot.fieldType != target.fieldType ||
           snapshot.isNullable != target.isNullable || snapshot.collation != target.collation ||
           snapshot.colStat != target.colStat;
}

void mergeColumns(const std::vector<ColumnRow>& snapshot, const std::vector<ColumnRow>& target,
                  ScriptBuffer& buffer) {
    std::size_t s = 0;
    std::size_t g = 0;
    while (s < snapshot.size() && g < target.size()) {
        const int order = compareNameKeys(snapshot[s].fieldName, target[g].fieldName);
        if (order == 0) {
            if (definitionsDiffer(snapshot[s], target[g]))
                buffer.addStatement(alterColumnStatement(snapshot[s]));
            ++s;
            ++g;
        } else if (order < 0) {
            buffer.addStatement(addColumnStatement(snapshot[s]));
            ++s;
        } else {
            buffer.addStatement(dropColumnStatement(snapshot[s].tableName, target[g].fieldName));
            ++g;
        }
    }
    for (; g < target.size(); ++g)
        buffer.addStatement(trailingDropColumnStatement(target[g]));
    for (; s < snapshot.size(); ++s)
        buffer.addStatement(addColumnStatement(snapshot[s]));
}

} // namespace

TableCategoryRows fetchTableCategoryRows(Connection& store, Connection& target) {
    TableCategoryRows rows;
    rows.snapshotColumns = store.open(queries::storeColumns);
    rows.tableNames = store.open(queries::storeTableNames);
    rows.targetColumns = target.open(queries::targetColumns);
    return rows;
}

void compareTables(const TableCategoryRows& rows, ScriptBuffer& buffer) {
    const std::vector<ColumnRow> snapshotAll = readColumnRows(rows.snapshotColumns);
    const std::vector<ColumnRow> targetAll = readColumnRows(rows.targetColumns);
    const RowGroups snapshotTables(rows.snapshotColumns, "TableName");
    const RowGroups targetTables(rows.targetColumns, "TableName");

    for (const std::string& table : distinctNames(rows.tableNames, "TableName")) {
        const auto snapshot = tableColumns(snapshotAll, snapshotTables.rowsOf(table));
        // The name list comes from the same rows, so a listed table has rows;
        // should it have none, merging would drop every target column.
        if (snapshot.empty())
            continue;
        const auto target = tableColumns(targetAll, targetTables.rowsOf(table));
        if (target.empty())
            buffer.addStatement(createTableStatement(table, snapshot));
        else
            mergeColumns(snapshot, target, buffer);
    }
}

} // namespace dbc
