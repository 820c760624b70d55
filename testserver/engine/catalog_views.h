#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace testserver {

class CatalogDb;
struct ServerVersion;

// The sys catalog views of SQL Server 2005 and later (sys.objects,
// sys.tables, sys.columns, ...) over the SQLite catalog the 2000 system
// tables live in. Each view answers the columns its Microsoft page documents
// for the release the server answers as: catalog_views.cpp holds one
// description of every view and the year each column came in, and the views
// of a release are made from it. A view is a TEMP view named "sys_NAME";
// the statement rewriter turns "sys.NAME" into that name.

// Creates the views of `version` on `db` (none before 2005).
void createCatalogViews(CatalogDb& db, const ServerVersion& version);

// The names of the views (without "sys."), for the rewriter and the README.
const std::vector<std::string>& catalogViewNames();

// The column names of view `name` in `version`, in order; empty when the
// view does not exist there.
std::vector<std::string> catalogViewColumns(std::string_view name, const ServerVersion& version);

} // namespace testserver
