#pragma once

#include "bench/support/synthetic_schema.h"

#include <optional>
#include <string>

namespace dbc::bench {

// What the catalog holds for a column (syscolumns values), derived as the test
// server derives them from a declared type.
struct ColumnValues {
    int xtype = 0;
    int xusertype = 0;
    int length = 0;
    int xprec = 0;
    int xscale = 0;
    int typestat = 0;
    std::optional<int> prec;
    std::optional<int> scale;
    std::optional<std::string> collation; // character types only
};

// The database collation of every synthetic catalog.
inline constexpr const char* kCollation = "Chinese_PRC_CI_AS";

ColumnValues columnValues(const ColumnSpec& column);

} // namespace dbc::bench
