#pragma once

#include "testserver/engine/catalog_db.h"
#include "testserver/engine/command.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace testserver {

// True for a temporary table's name: #t or ##t, also as tempdb..#t.
bool isTemporaryName(std::string_view name);

// Refuses a query that reads a temporary table (50000): they hold no rows
// here, like every table of the test server.
void refuseTemporaryTableData(std::string_view sql);

// A session's temporary tables. SQL Server keeps them in tempdb, never in
// the user's database; here they live in a catalog of the session's own in
// memory, with the system tables of every catalog, and end with the session.
class TemporaryTables {
public:
    // Created on first use.
    CatalogDb& catalog();
    // The id of the temporary table of that name, if the session has one.
    std::optional<long long> objectId(std::string_view name);
    // Gives `session` a schema tempdb holding a copy of the temporary
    // tables' sysobjects, syscolumns and sysindexes, for tempdb..sysobjects.
    void copyInto(CatalogDb& session);

private:
    std::unique_ptr<CatalogDb> m_db;
};

// The part of a DDL statement that changes temporary tables, taken out of
// `statement`; `restRemains` tells whether `statement` still changes
// anything in the current database.
template <typename Ddl> std::optional<Ddl> takeTemporaryPart(Ddl& statement, bool& restRemains) {
    restRemains = true;
    if constexpr (requires { statement.table; }) {
        if (!isTemporaryName(statement.table.name))
            return std::nullopt;
        restRemains = false;
        return statement;
    } else if constexpr (std::is_same_v<Ddl, DropObjects>) {
        if (statement.kind != DropKind::Table)
            return std::nullopt;
        DropObjects temporary{statement.kind, {}};
        std::vector<ObjectName> rest;
        for (ObjectName& name : statement.names)
            (isTemporaryName(name.name) ? temporary.names : rest).push_back(std::move(name));
        statement.names = std::move(rest);
        restRemains = !statement.names.empty();
        if (temporary.names.empty())
            return std::nullopt;
        return temporary;
    } else if constexpr (std::is_same_v<Ddl, DropIndexes>) {
        DropIndexes temporary;
        std::vector<std::pair<ObjectName, std::string>> rest;
        for (auto& index : statement.indexes)
            (isTemporaryName(index.first.name) ? temporary.indexes : rest)
                .push_back(std::move(index));
        statement.indexes = std::move(rest);
        restRemains = !statement.indexes.empty();
        if (temporary.indexes.empty())
            return std::nullopt;
        return temporary;
    } else {
        return std::nullopt;
    }
}

} // namespace testserver
