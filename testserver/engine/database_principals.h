#pragma once

#include "testserver/engine/catalog_db.h"

#include <optional>
#include <string>

namespace testserver {

// A database's users and roles: sysusers and sysmembers as SQL Server 2000
// keeps them, with the users and fixed roles every database starts with.
// Created when a catalog lacks them, so catalogs written before still open.
void ensurePrincipalTables(CatalogDb& db);

struct PrincipalRow {
    int uid = 0;
    std::string name;
    std::optional<std::string> sid;
    bool role = false;
};

std::optional<PrincipalRow> findPrincipal(CatalogDb& db, const std::string& name);

// User-defined roles are numbered from 16400, users from 5, as SQL Server
// numbers them.
constexpr int kFirstUserUid = 5;
constexpr int kFirstRoleUid = 16400;
constexpr int kFirstFixedRoleUid = 16384;

} // namespace testserver
