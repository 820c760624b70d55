#pragma once

#include "testserver/engine/command.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace dbc::bench {

// A plain description of a database's catalog, from which the benchmarks write
// both test-server catalog files and snapshot stores, so that both sides of a
// measurement describe exactly the same objects.

struct ColumnSpec {
    std::string name;
    std::string typeName;      // as declared: "varchar", "decimal", ...
    std::optional<int> length; // declared length or precision
    std::optional<int> scale;  // declared scale (decimal, numeric)
    bool nullable = true;
    bool identity = false;
};

struct TableSpec {
    std::string name;
    std::vector<ColumnSpec> columns; // in column order
};

struct IndexSpec {
    std::string table;
    std::string name;
    int number = 2; // sysindexes indid: 1 for the clustered index, 2.. for the others
    std::vector<std::string> keys; // column names in key order
};

// Procedures, views and triggers, as the test server's engine names them.
using ModuleKind = testserver::ModuleKind;

struct ModuleSpec {
    ModuleKind kind = ModuleKind::Procedure;
    std::string name;
    std::string text;        // the whole CREATE text, lines ended by CR LF
    std::string parentTable; // triggers only
};

struct DefaultSpec {
    std::string name;
    std::string table;
    std::string column;
    std::string value; // as the catalog keeps it, e.g. "(0)"
};

struct SyntheticSchema {
    std::vector<TableSpec> tables;
    std::vector<IndexSpec> indexes;
    std::vector<ModuleSpec> modules;
    std::vector<DefaultSpec> defaults;

    std::size_t columnCount() const;
    std::size_t indexKeyCount() const;
    std::size_t moduleCount(ModuleKind kind) const;
};

// How large a synthetic database is. Every table has ten columns of mixed
// types, one index (every other one clustered) and one default constraint.
struct SchemaShape {
    std::size_t tables = 100;
    std::size_t objectsPerKind = 10; // procedures, views and triggers each
};

// The shape of a database with `columns` columns: ten per table, and one
// procedure, one view and one trigger per ten tables.
SchemaShape proportionalShape(std::size_t columns);

SyntheticSchema makeSchema(const SchemaShape& shape);

} // namespace dbc::bench
