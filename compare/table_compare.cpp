#include "table_compare.h"

#include "column_definition.h"
#include "compare_queries.h"
#include "default_compare.h"
#include "name_key.h"
#include "row_groups.h"

#include <algorithm>
#include <optional>
#include <string>

namespace dbc {

namespace {

// The index of field `name` when the result has it. A snapshot written before
// scales and identity seeds were kept has no such fields.
std::optional<std::size_t> optionalColumn(const Result& result, std::string_view name) {
    const auto& columns = result.columns();
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (equalsIgnoringCase(columns[i], name))
            return i;
    }
    return std::nullopt;
}

std::string_view valueOr(const Result::Row& row, std::optional<std::size_t> column) {
    return column ? std::string_view(row.at(*column)) : std::string_view();
}

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
    const auto scale = optionalColumn(result, "FieldScale");
    const auto seed = optionalColumn(result, "IdentSeed");
    const auto increment = optionalColumn(result, "IdentIncr");
    columns.reserve(result.size());
    for (const auto& row : result.rows()) {
        columns.push_back({row.at(table), row.at(field), row.at(type), row.at(length),
                           row.at(nullable), row.at(collation), row.at(typeStat), row.at(colStat),
                           valueOr(row, scale), valueOr(row, seed), valueOr(row, increment)});
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

// The five values compared of every column, and the scale when both sides
// carry one (a snapshot written before scales were kept does not).
bool definitionsDiffer(const ColumnRow& snapshot, const ColumnRow& target, bool compareScale) {
    return snapshot.fieldLength != target.fieldLength || snapshot.fieldType != target.fieldType ||
           snapshot.isNullable != target.isNullable || snapshot.collation != target.collation ||
           snapshot.colStat != target.colStat ||
           (compareScale && snapshot.fieldScale != target.fieldScale);
}

std::string addStatement(const ColumnRow& snapshot, DefaultComparison& defaults) {
    return addColumnStatement(snapshot, defaults.carriedBy(snapshot.tableName, snapshot.fieldName));
}

void mergeColumns(const std::vector<ColumnRow>& snapshot, const std::vector<ColumnRow>& target,
                  bool compareScale, DefaultComparison& defaults, ScriptBuffer& buffer) {
    std::size_t s = 0;
    std::size_t g = 0;
    while (s < snapshot.size() && g < target.size()) {
        const int order = compareNameKeys(snapshot[s].fieldName, target[g].fieldName);
        if (order == 0) {
            if (definitionsDiffer(snapshot[s], target[g], compareScale))
                buffer.addStatement(alterColumnStatement(snapshot[s]));
            ++s;
            ++g;
        } else if (order < 0) {
            buffer.addStatement(addStatement(snapshot[s], defaults));
            ++s;
        } else {
            buffer.addStatement(dropColumnStatement(snapshot[s].tableName, target[g].fieldName));
            ++g;
        }
    }
    for (; g < target.size(); ++g)
        buffer.addStatement(trailingDropColumnStatement(target[g]));
    for (; s < snapshot.size(); ++s)
        buffer.addStatement(addStatement(snapshot[s], defaults));
}

} // namespace

TableCategoryRows fetchTableCategoryRows(Connection& store, Connection& target) {
    TableCategoryRows rows;
    rows.snapshotColumns = store.open(queries::storeColumns);
    rows.tableNames = store.open(queries::storeTableNames);
    rows.targetColumns = target.open(queries::targetColumns);
    return rows;
}

void compareTables(const TableCategoryRows& rows, DefaultComparison& defaults,
                   ScriptBuffer& buffer) {
    const bool compareScale = optionalColumn(rows.snapshotColumns, "FieldScale") &&
                              optionalColumn(rows.targetColumns, "FieldScale");
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
            mergeColumns(snapshot, target, compareScale, defaults, buffer);
    }
}

} // namespace dbc
