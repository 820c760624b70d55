#pragma once

#include "testserver/engine/catalog_db.h"
#include "testserver/engine/sql_type.h"

#include <optional>
#include <string>

namespace testserver {

// The head of the INSERT that writes one syscolumns row; bindSyscolumnsRow
// binds its first 18 parameters. A writer may append further columns.
inline constexpr const char* kSyscolumnsInsertColumns =
    "INSERT INTO syscolumns (name, id, xtype, typestat, xusertype, length, xprec, xscale, colid, "
    "colstat, colorder, status, type, usertype, prec, scale, isnullable, collation";

// One column as the catalog records it.
struct SyscolumnsRow {
    const std::string& name;
    long long tableId;
    int colid;
    const ColumnTypeValues& values;
    bool nullable;
    bool identity;
    const std::optional<std::string>& collation;
};

// Binds parameters 1 to 18 of an INSERT that begins with
// kSyscolumnsInsertColumns.
void bindSyscolumnsRow(CatalogStatement& insert, const SyscolumnsRow& row);

} // namespace testserver
