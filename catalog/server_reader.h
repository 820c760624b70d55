#pragma once

#include "catalog/catalog_model.h"
#include "catalog/catalog_queries.h"
#include "catalog/object_kinds.h"
#include "data/connection.h"

#include <functional>
#include <string>
#include <vector>

namespace dbc {

// Reads a SQL Server database's catalog into the model. A capture and a
// compare ask for the same facts with texts of their own (see
// catalog_queries.h); `side` picks the texts. Tables and indexes are grouped
// as the rows come, a new group starting where the table (or index) name
// changes, so the groups keep the server's row order exactly.
enum class CatalogSide { Capture, Target };

// The target database's default collation ("Chinese_PRC_CI_AS"), or the
// empty text when the server gives none.
std::string readTargetCollation(Connection& server);

// The columns of every user table, with their scales. For a capture also
// each identity column's seed and increment (readIdentitySeeds).
std::vector<Table> readServerTables(Connection& server, CatalogSide side);

// Asks the server for the seed and increment of each identity column of
// `tables` (one question per identity column, naming its table).
void readIdentitySeeds(Connection& server, std::vector<Table>& tables);

// Asks the server once for the ROWGUIDCOL and IDENTITY ... NOT FOR
// REPLICATION columns and marks them in `tables`.
void readColumnMarks(Connection& server, std::vector<Table>& tables);

// Asks the server once for the definitions of the computed columns and
// records them in `tables`; every column then knows whether it is computed.
void readComputedColumns(Connection& server, std::vector<Table>& tables,
                         const char* query = catalog::computedColumns);

// The alias types of the database (sp_addtype), in name order; one query.
std::vector<AliasType> readServerAliasTypes(Connection& server);

// The indexes of every user table with their key columns.
std::vector<TableIndexes> readServerIndexes(Connection& server, CatalogSide side);

// The default constraints on columns of user tables.
std::vector<DefaultConstraint> readServerDefaults(Connection& server, CatalogSide side);

// The foreign keys between user tables, each key's columns in key order,
// keys in name order; one query for the whole database.
std::vector<ForeignKey> readServerForeignKeys(Connection& server, CatalogSide side);
// The foreign keys of a foreign-key query's rows (one row per key column:
// FKName, TableName, FieldName, RefTableName, RefFieldName, KeyOrder,
// DeleteCascade, UpdateCascade, IsDisabled, NotForReplication, NotTrusted),
// each key's columns in key order; both catalog readings share it.
std::vector<ForeignKey> foreignKeysOf(const Result& rows);

// The CHECK constraints of user tables, in name order, each definition's text
// rows joined; one query for the whole database.
std::vector<CheckConstraint> readServerChecks(Connection& server);

// A trigger and the table it is on.
struct TableTrigger {
    std::string name;
    std::string table;
};

// The triggers of user tables, in name order; one query.
// SQL Server 2005 and later are asked `query` catalog::viewTableTriggers,
// whose rows carry the schema.
std::vector<TableTrigger> readTableTriggers(Connection& server,
                                            const char* query = catalog::tableTriggers);

// A user table, view, procedure, trigger or function, with its sysobjects
// type (U, V, P, TR, FN, IF, TF).
struct CatalogObject {
    std::string name;
    std::string type;
    std::string parent; // a trigger's table, else empty
    bool encrypted = false;
};

// The user tables, views, procedures, triggers and functions, in name order;
// one query.
// SQL Server 2005 and later are asked `query` catalog::viewDroppableObjects,
// whose rows carry the schema.
std::vector<CatalogObject> readDroppableObjects(Connection& server,
                                                const char* query = catalog::droppableObjects);

// The capture's list of the procedures, views or triggers of the source.
std::vector<std::string> readModuleNames(Connection& server, const ObjectKind& kind);

// The capture's reading of the text of each object named, in order, through
// Connection::openEach (batched on a server connection). An object whose text
// the server will not give (encrypted, or gone meanwhile) is left out and its
// name added to `unreadable`; a lost connection (SQLSTATE class 08) ends the
// reading with its error. `onEach` runs after each object.
std::vector<ModuleText> readModuleTexts(Connection& server, const std::vector<std::string>& names,
                                        std::vector<std::string>& unreadable,
                                        const std::function<void()>& onEach);

// The compare's look at the target for each object named: whether an object
// of that name and kind exists and, when it does, its text. Every existence
// query goes first, then the text query of each object found, each kind
// through Connection::openEach (batched on a server connection). Results are
// appended to `found` in name order as soon as they are known, so what was
// read before an error is kept. A text the server will not give (an error,
// no rows, no result set) leaves `text` empty; a lost connection is thrown,
// never taken for a missing text.
void readTargetModules(Connection& server, const ObjectKind& kind,
                       const std::vector<std::string>& names, std::vector<TargetModule>& found);

} // namespace dbc
