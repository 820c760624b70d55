#pragma once

#include "connection.h"
#include "result.h"
#include "script_buffer.h"

namespace dbc {

class DefaultComparison;

// The rows the table and column category works on, each side read once per run.
struct TableCategoryRows {
    Result snapshotColumns; // SourceTable, one row per column
    Result tableNames;      // the snapshot's distinct table names
    Result targetColumns;   // the target's column catalog
};

// Sends the category's three queries in the run's order: the snapshot's column
// rows, its table names, then the target's column catalog.
TableCategoryRows fetchTableCategoryRows(Connection& store, Connection& target);

// Adds, for each snapshot table in name-list order, a Create Table statement
// when the target has no table of that name, or else the Add, Alter and Drop
// statements of a merge of the two sides' columns in name-key order. Tables
// found only in the target are left alone. An Add carries the column's
// default from `defaults` where it may. The scale is compared when both sides
// carry it.
void compareTables(const TableCategoryRows& rows, DefaultComparison& defaults,
                   ScriptBuffer& buffer);

} // namespace dbc
