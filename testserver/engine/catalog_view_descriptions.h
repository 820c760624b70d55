#pragma once

#include <vector>

namespace testserver {

// One column of a sys catalog view: its name, the SQLite expression that
// answers it over the 2000 system tables, and the release it came in.
struct CatalogViewColumn {
    const char* name;
    const char* expression;
    int since = 2005;
};

// A sys catalog view: its name after "sys.", its columns in documented order
// and the FROM clause (with WHERE) its rows come from.
struct CatalogViewDescription {
    const char* name;
    std::vector<CatalogViewColumn> columns;
    const char* from;
};

// A system type of a later release than the catalog files' (sys.types lists
// it from `since` on; systypes, the 2000 table, never does).
struct LaterSystemType {
    const char* name;
    int systemTypeId;
    int userTypeId;
    int maxLength;
    int precision;
    int scale;
    int since;
};
const std::vector<LaterSystemType>& laterSystemTypes();

// Every view the test server answers, as described in
// catalog_view_descriptions.cpp.
const std::vector<CatalogViewDescription>& catalogViewDescriptions();

} // namespace testserver
