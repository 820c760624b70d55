#pragma once

#include "testserver/engine/catalog_db.h"
#include "testserver/engine/row_statements.h"
#include "testserver/engine/row_store.h"
#include "testserver/engine/session_variables.h"

#include <optional>
#include <string>

namespace testserver {

// What the statements on rows need of the session.
struct RowSession {
    CatalogDb& db;
    SessionVariables& variables;
    const std::string& database;
    // The table whose IDENTITY_INSERT is ON in this session (one at most).
    std::optional<long long>& identityInsert;
};

// Each statement runs as one unit: refused (with SQL Server's message and
// 3621 "The statement has been terminated."), it leaves no row changed.
// They answer the number of rows they changed.
long long executeInsert(RowSession& session, const InsertRows& statement); // insert_executor.cpp
long long executeUpdate(RowSession& session, const UpdateRows& statement); // update_executor.cpp
long long executeDelete(RowSession& session, const DeleteRows& statement); // delete_executor.cpp
void setIdentityInsert(RowSession& session, const SetIdentityInsert& statement);

// Shared by the executors (row_target.cpp).
struct RowTarget {
    long long id = 0;
    std::string name;   // as the catalog spells it
    std::string alias;  // how the statement's FROM clause names it
    std::string schema; // the schema to write before the name; empty for dbo
};
// The user table named (208 when there is none; a view is not modelled).
RowTarget findUserTable(CatalogDb& db, const ObjectName& name);
// The table an UPDATE or DELETE changes: a user table, or an alias that the
// FROM clause gives one.
RowTarget resolveTarget(CatalogDb& db, const ObjectName& target, const std::string& from);
// The SELECT that gives the rowids of the rows an UPDATE or DELETE changes,
// followed by `expressions`.
std::string rowSelect(const RowTarget& target, const std::string& expressions,
                      const std::string& from, const std::string& where);
// The value of a column's default (DEFAULT constraint or bound default) for
// a new row, NULL when it has none.
SqlValue defaultValue(CatalogDb& db, const SessionVariables& variables, const StoredColumn& column);

} // namespace testserver
