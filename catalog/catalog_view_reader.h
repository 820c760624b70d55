#pragma once

#include "catalog/catalog_model.h"
#include "catalog/object_kinds.h"
#include "catalog/server_version.h"
#include "data/connection.h"

#include <functional>
#include <string>
#include <vector>

namespace dbc {

// Reads the catalog of SQL Server 2005 and later from the sys catalog views
// into the same model the 2000 reading fills (server_reader.h), with the
// facts only these releases have: (max) lengths, the scales of the date and
// time types, included columns and filters. One query per part of the
// catalog, whatever the number of objects; a module's text comes whole.

// The columns of every user table, grouped by table in name order. With
// `withSourceFacts` (a capture) also each identity column's seed and
// increment, ROWGUIDCOL and NOT FOR REPLICATION, which a compare's target
// side leaves out as the 2000 reading does.
std::vector<Table> readViewTables(Connection& server, bool withSourceFacts);

// The indexes of every user table with their key columns, included columns
// and (2008 and later) filter.
std::vector<TableIndexes> readViewIndexes(Connection& server, const ServerVersion& version);

std::vector<DefaultConstraint> readViewDefaults(Connection& server);
std::vector<ForeignKey> readViewForeignKeys(Connection& server);
std::vector<CheckConstraint> readViewChecks(Connection& server);

// Every object of a kind with its whole text as one row, in name order; an
// object whose text the server keeps hidden (WITH ENCRYPTION) is left out
// and named in `unreadable`. `onEach` runs after each object.
std::vector<ModuleText> readViewModules(Connection& server, const ObjectKind& kind,
                                        std::vector<std::string>& unreadable,
                                        const std::function<void()>& onEach);

// The compare's look at the target for each object named, answered from one
// query for the kind: whether it exists (names matched as the target's
// collation compares them) and its text when the server gives it.
void readViewTargetModules(Connection& server, const ObjectKind& kind,
                           const std::vector<std::string>& names, std::vector<TargetModule>& found);

} // namespace dbc
