#include "testserver/engine/database_principals.h"

namespace testserver {

namespace {

// Security identifiers are kept as their hexadecimal text ("0x01" is sa).
constexpr const char* kTables = R"sql(
CREATE TABLE IF NOT EXISTS sysusers (
    uid smallint NOT NULL PRIMARY KEY,
    status smallint NOT NULL DEFAULT 0,
    name nvarchar(128) COLLATE NOCASE NOT NULL,
    sid varbinary(85) NULL,
    roles varbinary(2048) NULL,
    createdate datetime NOT NULL DEFAULT (strftime('%Y-%m-%d %H:%M:%f', 'now')),
    updatedate datetime NOT NULL DEFAULT (strftime('%Y-%m-%d %H:%M:%f', 'now')),
    altuid smallint NULL,
    password varbinary(256) NULL,
    gid smallint NOT NULL DEFAULT 0,
    environ varchar(255) NULL,
    hasdbaccess int NOT NULL DEFAULT 0,
    islogin int NOT NULL DEFAULT 0,
    isntname int NOT NULL DEFAULT 0,
    isntgroup int NOT NULL DEFAULT 0,
    isntuser int NOT NULL DEFAULT 0,
    issqluser int NOT NULL DEFAULT 0,
    isaliased int NOT NULL DEFAULT 0,
    issqlrole int NOT NULL DEFAULT 0,
    isapprole int NOT NULL DEFAULT 0
);
CREATE TABLE IF NOT EXISTS sysmembers (
    memberuid smallint NOT NULL,
    groupuid smallint NOT NULL,
    PRIMARY KEY (memberuid, groupuid)
);
)sql";

// public, the users dbo, guest, INFORMATION_SCHEMA and system_function_schema,
// and the fixed database roles, with the uids SQL Server gives them.
constexpr const char* kInitialRows = R"sql(
INSERT INTO sysusers (uid, status, name, sid, gid, hasdbaccess, islogin, issqluser, issqlrole)
VALUES (0, 0, 'public', NULL, 0, 0, 0, 0, 1),
       (1, 2, 'dbo', '0x01', 0, 1, 1, 1, 0),
       (2, 0, 'guest', '0x00', 0, 0, 1, 1, 0),
       (3, 0, 'INFORMATION_SCHEMA', NULL, 0, 0, 1, 1, 0),
       (4, 0, 'system_function_schema', NULL, 0, 0, 1, 1, 0),
       (16384, 0, 'db_owner', NULL, 16384, 0, 0, 0, 1),
       (16385, 0, 'db_accessadmin', NULL, 16385, 0, 0, 0, 1),
       (16386, 0, 'db_securityadmin', NULL, 16386, 0, 0, 0, 1),
       (16387, 0, 'db_ddladmin', NULL, 16387, 0, 0, 0, 1),
       (16389, 0, 'db_backupoperator', NULL, 16389, 0, 0, 0, 1),
       (16390, 0, 'db_datareader', NULL, 16390, 0, 0, 0, 1),
       (16391, 0, 'db_datawriter', NULL, 16391, 0, 0, 0, 1),
       (16392, 0, 'db_denydatareader', NULL, 16392, 0, 0, 0, 1),
       (16393, 0, 'db_denydatawriter', NULL, 16393, 0, 0, 0, 1);
INSERT INTO sysmembers (memberuid, groupuid) VALUES (1, 16384);
)sql";

} // namespace

void ensurePrincipalTables(CatalogDb& db) {
    if (db.queryInteger("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name IN "
                        "('sysusers', 'sysmembers')")
            .value_or(0) == 2)
        return;
    CatalogTransaction transaction(db);
    db.execute(kTables);
    if (db.queryInteger("SELECT count(*) FROM sysusers").value_or(0) == 0)
        db.execute(kInitialRows);
    transaction.commit();
}

std::optional<PrincipalRow> findPrincipal(CatalogDb& db, const std::string& name) {
    auto find = db.prepare("SELECT uid, name, sid, issqlrole + isapprole FROM sysusers WHERE "
                           "name = ?");
    find.bind(1, name);
    if (!find.step())
        return std::nullopt;
    return PrincipalRow{static_cast<int>(find.integer(0)), find.text(1), find.value(2),
                        find.integer(3) != 0};
}

} // namespace testserver
