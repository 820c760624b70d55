#pragma once

#include "catalog/server_version.h"
#include "data/connection.h"
#include "script/change.h"

namespace dbc {

// Brings the changes in line with the schemas the target has, for the
// objects of a schema other than dbo (data/object_name.h). A target of SQL
// Server 2005 or later that lacks a schema an object the script creates is
// in gets CREATE SCHEMA for it right after "use" (the target's schemas are
// read once, and only when the script creates such an object). SQL Server
// 2000 has no schemas (its owners are users): each change that names such an
// object becomes an UnscriptedChange saying so.
void keepToTheTargetSchemas(Connection& target, ChangeList& changes, const ServerVersion& version);

} // namespace dbc
