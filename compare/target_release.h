#pragma once

#include "catalog/server_version.h"
#include "script/change.h"

namespace dbc {

// Replaces each change the target's SQL Server release cannot carry out by
// an UnscriptedChange saying why, so that no statement the target refuses on
// every run is written: a table created, or a column added or altered, with
// a type it does not have (xml, varchar(max), nvarchar(max) and
// varbinary(max) before 2005; date, time, datetime2 and datetimeoffset
// before 2008), an index with included columns (before 2005) or a filter
// (before 2008).
void keepToTheTargetRelease(ChangeList& changes, const ServerVersion& target);

} // namespace dbc
