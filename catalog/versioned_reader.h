#pragma once

#include "catalog/catalog_model.h"
#include "catalog/object_kinds.h"
#include "catalog/server_reader.h"
#include "catalog/server_version.h"
#include "data/connection.h"

#include <functional>
#include <string>
#include <vector>

namespace dbc {

// The reading of a server's catalog that its release calls for: SQL Server
// 2000 through its system tables with the texts of server_reader.h, byte for
// byte as ever; 2005 and later through the sys catalog views
// (catalog_view_reader.h). Both fill the same model.

std::vector<Table> readTables(Connection& server, CatalogSide side, const ServerVersion& version);
std::vector<TableIndexes> readIndexes(Connection& server, CatalogSide side,
                                      const ServerVersion& version);
std::vector<DefaultConstraint> readDefaults(Connection& server, CatalogSide side,
                                            const ServerVersion& version);
std::vector<ForeignKey> readForeignKeys(Connection& server, CatalogSide side,
                                        const ServerVersion& version);
std::vector<CheckConstraint> readChecks(Connection& server, const ServerVersion& version);
// Sets the computed definitions of `tables` (every column's computedKnown).
void readComputed(Connection& server, std::vector<Table>& tables, const ServerVersion& version);

// The capture's reading of every object of a kind with its text (2000: the
// name list, then each text; 2005 and later: one query); objects whose text
// cannot be read are named in `unreadable`. `onEach` runs after each object,
// `onCount` once the number of objects is known.
std::vector<ModuleText> readModules(Connection& server, const ObjectKind& kind,
                                    std::vector<std::string>& unreadable,
                                    const std::function<void(std::size_t)>& onCount,
                                    const std::function<void()>& onEach,
                                    const ServerVersion& version);

// The objects a --drop-extra compare may drop (readDroppableObjects).
std::vector<CatalogObject> readDroppableObjects(Connection& server, const ServerVersion& version);

// The triggers of user tables with their tables (readTableTriggers).
std::vector<TableTrigger> readTableTriggers(Connection& server, const ServerVersion& version);

// The compare's look at the target for the objects named (readTargetModules).
void readTargetModules(Connection& server, const ObjectKind& kind,
                       const std::vector<std::string>& names, std::vector<TargetModule>& found,
                       const ServerVersion& version);

} // namespace dbc
