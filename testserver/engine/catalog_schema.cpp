#include "testserver/engine/catalog_schema.h"

#include "testserver/engine/catalog_db.h"
#include "testserver/engine/database_principals.h"
#include "testserver/engine/sql_type.h"

namespace testserver {

namespace {

// Names are nvarchar(128) (sysname) compared with NOCASE; xtype/type are
// char(2) compared with NOCASE too, so 'u' matches 'U'. The engine replaces
// NOCASE on its connections by a comparison that also ignores trailing blanks.
const char* const kSchema = R"sql(
CREATE TABLE sysobjects (
    name nvarchar(128) COLLATE NOCASE NOT NULL,
    id int NOT NULL PRIMARY KEY,
    xtype char(2) COLLATE NOCASE NOT NULL,
    uid smallint NOT NULL DEFAULT 1,
    info smallint NOT NULL DEFAULT 0,
    status int NOT NULL DEFAULT 0,
    base_schema_ver int NOT NULL DEFAULT 0,
    replinfo int NOT NULL DEFAULT 0,
    parent_obj int NOT NULL DEFAULT 0,
    crdate datetime NOT NULL DEFAULT (strftime('%Y-%m-%d %H:%M:%f', 'now')),
    ftcatid smallint NOT NULL DEFAULT 0,
    schema_ver int NOT NULL DEFAULT 0,
    stats_schema_ver int NOT NULL DEFAULT 0,
    type char(2) COLLATE NOCASE NOT NULL,
    userstat smallint NOT NULL DEFAULT 0,
    sysstat smallint NOT NULL DEFAULT 0,
    indexdel smallint NOT NULL DEFAULT 0,
    refdate datetime NOT NULL DEFAULT (strftime('%Y-%m-%d %H:%M:%f', 'now')),
    version int NOT NULL DEFAULT 0,
    deltrig int NOT NULL DEFAULT 0,
    instrig int NOT NULL DEFAULT 0,
    updtrig int NOT NULL DEFAULT 0,
    seltrig int NOT NULL DEFAULT 0,
    category int NOT NULL DEFAULT 0,
    cache smallint NOT NULL DEFAULT 0
);
-- Objects are looked up by name once per procedure, view and trigger; without
-- this a catalog of thousands of objects answers in quadratic time.
CREATE INDEX sysobjects_name ON sysobjects (name);
CREATE TABLE syscolumns (
    name nvarchar(128) COLLATE NOCASE NOT NULL,
    id int NOT NULL,
    xtype tinyint NOT NULL,
    typestat tinyint NOT NULL DEFAULT 0,
    xusertype smallint NOT NULL,
    length smallint NOT NULL,
    xprec tinyint NOT NULL DEFAULT 0,
    xscale tinyint NOT NULL DEFAULT 0,
    colid smallint NOT NULL,
    xoffset smallint NOT NULL DEFAULT 0,
    bitpos tinyint NOT NULL DEFAULT 0,
    reserved tinyint NOT NULL DEFAULT 0,
    colstat smallint NOT NULL DEFAULT 0,
    cdefault int NOT NULL DEFAULT 0,
    domain int NOT NULL DEFAULT 0,
    number smallint NOT NULL DEFAULT 0,
    colorder smallint NOT NULL DEFAULT 0,
    autoval varbinary(255) NULL,
    offset smallint NOT NULL DEFAULT 0,
    collationid int NULL,
    status tinyint NOT NULL DEFAULT 0,
    type tinyint NOT NULL DEFAULT 0,
    usertype smallint NOT NULL DEFAULT 0,
    printfmt varchar(255) NULL,
    prec smallint NULL,
    scale int NULL,
    iscomputed int NOT NULL DEFAULT 0,
    isoutparam int NOT NULL DEFAULT 0,
    isnullable int NOT NULL DEFAULT 1,
    collation nvarchar(128) COLLATE NOCASE NULL,
    PRIMARY KEY (id, colid)
);
CREATE TABLE systypes (
    name nvarchar(128) COLLATE NOCASE NOT NULL,
    xtype tinyint NOT NULL,
    status tinyint NOT NULL DEFAULT 0,
    xusertype smallint NOT NULL,
    length smallint NOT NULL,
    xprec tinyint NOT NULL DEFAULT 0,
    xscale tinyint NOT NULL DEFAULT 0,
    tdefault int NOT NULL DEFAULT 0,
    domain int NOT NULL DEFAULT 0,
    uid smallint NOT NULL DEFAULT 4,
    reserved smallint NOT NULL DEFAULT 0,
    collationid int NULL,
    usertype smallint NOT NULL DEFAULT 0,
    variable bit NOT NULL DEFAULT 0,
    allownulls bit NOT NULL DEFAULT 1,
    type tinyint NOT NULL DEFAULT 0,
    printfmt varchar(255) NULL,
    prec smallint NULL,
    scale tinyint NULL,
    collation nvarchar(128) COLLATE NOCASE NULL
);
CREATE TABLE sysindexes (
    id int NOT NULL,
    status int NOT NULL DEFAULT 0,
    first binary(6) NULL,
    indid smallint NOT NULL,
    root binary(6) NULL,
    minlen smallint NOT NULL DEFAULT 0,
    keycnt smallint NOT NULL DEFAULT 0,
    groupid smallint NOT NULL DEFAULT 1,
    dpages int NOT NULL DEFAULT 0,
    reserved int NOT NULL DEFAULT 0,
    used int NOT NULL DEFAULT 0,
    rowcnt bigint NOT NULL DEFAULT 0,
    rowmodctr int NOT NULL DEFAULT 0,
    xmaxlen smallint NOT NULL DEFAULT 0,
    maxirow smallint NOT NULL DEFAULT 0,
    OrigFillFactor tinyint NOT NULL DEFAULT 0,
    StatVersion tinyint NOT NULL DEFAULT 0,
    FirstIAM binary(6) NULL,
    impid smallint NOT NULL DEFAULT 0,
    lockflags smallint NOT NULL DEFAULT 0,
    pgmodctr int NOT NULL DEFAULT 0,
    keys varbinary(1088) NULL,
    name nvarchar(128) COLLATE NOCASE NOT NULL,
    statblob image NULL,
    maxlen int NOT NULL DEFAULT 8000,
    rows int NOT NULL DEFAULT 0,
    PRIMARY KEY (id, indid)
);
CREATE TABLE sysindexkeys (
    id int NOT NULL,
    indid smallint NOT NULL,
    colid smallint NOT NULL,
    keyno smallint NOT NULL,
    PRIMARY KEY (id, indid, keyno)
);
CREATE TABLE syscomments (
    id int NOT NULL,
    number smallint NOT NULL DEFAULT 0,
    colid smallint NOT NULL,
    status smallint NOT NULL DEFAULT 0,
    ctext varbinary(8000) NULL,
    texttype smallint NOT NULL DEFAULT 0,
    language smallint NOT NULL DEFAULT 0,
    encrypted bit NOT NULL DEFAULT 0,
    compressed bit NOT NULL DEFAULT 0,
    text nvarchar(4000) NULL,
    PRIMARY KEY (id, number, colid)
);
CREATE TABLE testserver_settings (
    name varchar(64) NOT NULL PRIMARY KEY,
    value nvarchar(128) NULL
);
)sql";

// Tables added after the first catalogs were written: created on open when a
// file lacks them, so older catalog files keep working.
const char* const kLaterTables = R"sql(
CREATE TABLE IF NOT EXISTS sysconstraints (
    constid int NOT NULL PRIMARY KEY,
    id int NOT NULL,
    colid smallint NOT NULL DEFAULT 0,
    spare1 tinyint NOT NULL DEFAULT 0,
    status int NOT NULL DEFAULT 0,
    actions int NOT NULL DEFAULT 0,
    error int NOT NULL DEFAULT 0
);
CREATE TABLE IF NOT EXISTS sysforeignkeys (
    constid int NOT NULL,
    fkeyid int NOT NULL,
    rkeyid int NOT NULL,
    fkey smallint NOT NULL,
    rkey smallint NOT NULL,
    keyno smallint NOT NULL,
    PRIMARY KEY (constid, keyno)
);
-- The test server's own: IDENTITY (seed, increment) per table, and the key
-- columns of indexes that are sorted descending.
CREATE TABLE IF NOT EXISTS testserver_identity (
    id int NOT NULL PRIMARY KEY,
    colid smallint NOT NULL,
    seed numeric(38, 0) NOT NULL,
    increment numeric(38, 0) NOT NULL,
    not_for_replication bit NOT NULL DEFAULT 0
);
-- Extended properties (sp_addextendedproperty): type 3 an object, 4 a column
-- (smallid its colid), 5 an index (smallid its indid), 2 a parameter.
CREATE TABLE IF NOT EXISTS sysproperties (
    id int NOT NULL,
    smallid smallint NOT NULL DEFAULT 0,
    type tinyint NOT NULL,
    name nvarchar(128) COLLATE NOCASE NOT NULL,
    value sql_variant NULL,
    PRIMARY KEY (id, type, smallid, name)
);
-- The test server's own: the ROWGUIDCOL column of a table (one at most).
CREATE TABLE IF NOT EXISTS testserver_rowguidcol (
    id int NOT NULL PRIMARY KEY,
    colid smallint NOT NULL
);
CREATE TABLE IF NOT EXISTS testserver_descending_keys (
    id int NOT NULL,
    indid smallint NOT NULL,
    keyno smallint NOT NULL,
    PRIMARY KEY (id, indid, keyno)
);
-- SQL Server 2005 and later: the included (non-key) columns of an index in
-- the order declared, and the filter of a filtered index (2008 and later).
CREATE TABLE IF NOT EXISTS testserver_included_columns (
    id int NOT NULL,
    indid smallint NOT NULL,
    ordinal smallint NOT NULL,
    colid smallint NOT NULL,
    PRIMARY KEY (id, indid, ordinal)
);
CREATE TABLE IF NOT EXISTS testserver_index_filters (
    id int NOT NULL,
    indid smallint NOT NULL,
    definition ntext NOT NULL,
    PRIMARY KEY (id, indid)
);
-- SQL Server 2005 and later: the schemas made by CREATE SCHEMA (dbo, guest,
-- INFORMATION_SCHEMA, sys and the fixed roles' schemas are not stored).
-- sysobjects.uid of an object in one is its schema_id.
CREATE TABLE IF NOT EXISTS testserver_schemas (
    schema_id int NOT NULL PRIMARY KEY,
    name nvarchar(128) COLLATE NOCASE NOT NULL,
    principal_id int NOT NULL DEFAULT 1
);
)sql";

// The system tables themselves, as SQL Server 2000 numbers them.
struct SystemTable {
    const char* name;
    int id;
};
constexpr SystemTable kSystemTables[] = {
    {"sysobjects", 1}, {"sysindexes", 2},  {"syscolumns", 3},
    {"systypes", 4},   {"syscomments", 6}, {"sysindexkeys", 17},
};

} // namespace

const std::string& catalogSchemaSql() {
    static const std::string schema(kSchema);
    return schema;
}

int sysstatOf(std::string_view xtype) {
    // The low four bits of sysobjects.sysstat tell the object's kind; scripts
    // test them in their guards ("sysstat & 0xf = 3" for a user table).
    struct Kind {
        std::string_view xtype;
        int code;
    };
    static constexpr Kind kinds[] = {{"S", 1}, {"V", 2}, {"U", 3}, {"P", 4},
                                     {"D", 6}, {"R", 7}, {"TR", 8}};
    for (const Kind& kind : kinds)
        if (kind.xtype == xtype)
            return kind.code;
    return 0;
}

void ensureLaterTables(CatalogDb& db) {
    std::optional<long long> present = db.queryInteger(
        "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name IN ('sysconstraints', "
        "'sysforeignkeys', 'testserver_identity', 'testserver_descending_keys', "
        "'sysproperties', 'testserver_rowguidcol', 'testserver_included_columns', "
        "'testserver_index_filters', 'testserver_schemas')");
    std::optional<long long> identityFlags = db.queryInteger(
        "SELECT count(*) FROM pragma_table_info('testserver_identity') WHERE name = "
        "'not_for_replication'");
    if (present && *present == 9 && identityFlags && *identityFlags == 1)
        return;
    CatalogTransaction transaction(db);
    bool identityTable = present && db.queryInteger("SELECT count(*) FROM sqlite_master WHERE "
                                                    "name = 'testserver_identity'") == 1LL;
    if (identityTable && identityFlags && *identityFlags == 0)
        db.execute("ALTER TABLE testserver_identity ADD COLUMN not_for_replication bit NOT NULL "
                   "DEFAULT 0");
    db.execute(kLaterTables);
    db.execute("UPDATE sysobjects SET sysstat = CASE upper(trim(xtype)) WHEN 'S' THEN 1 "
               "WHEN 'V' THEN 2 WHEN 'U' THEN 3 WHEN 'P' THEN 4 WHEN 'D' THEN 6 WHEN 'R' THEN 7 "
               "WHEN 'TR' THEN 8 ELSE 0 END WHERE sysstat = 0");
    transaction.commit();
}

void createCatalog(CatalogDb& db, const std::string& collation) {
    CatalogTransaction transaction(db);
    db.execute(catalogSchemaSql());
    db.execute(kLaterTables);

    auto insertType = db.prepare(
        "INSERT INTO systypes (name, xtype, status, xusertype, length, xprec, xscale, usertype, "
        "variable, allownulls, type, prec, scale, collation) "
        "VALUES (?, ?, 0, ?, ?, ?, ?, 0, ?, 1, 0, ?, ?, ?)");
    for (const BuiltinType& type : builtinTypes()) {
        bool variable = type.arguments == TypeArguments::Length;
        insertType.bind(1, type.name)
            .bind(2, type.xtype)
            .bind(3, type.xusertype)
            .bind(4, type.length)
            .bind(5, type.xprec)
            .bind(6, type.xscale)
            .bind(7, variable ? 1LL : 0LL);
        if (type.character) {
            insertType.bind(8,
                            static_cast<long long>(type.unicode ? type.length / 2 : type.length));
            insertType.bindNull(9);
            insertType.bind(10, collation);
        } else {
            insertType.bind(8, static_cast<long long>(type.xprec));
            insertType.bind(9, static_cast<long long>(type.xscale));
            insertType.bindNull(10);
        }
        insertType.run();
        insertType.reset();
    }

    auto insertObject = db.prepare("INSERT INTO sysobjects (name, id, xtype, type, uid, status, "
                                   "sysstat) VALUES (?, ?, 'S', 'S', 1, 0, 1)");
    for (const SystemTable& table : kSystemTables) {
        insertObject.bind(1, table.name).bind(2, table.id).run();
        insertObject.reset();
    }

    auto setting = db.prepare("INSERT INTO testserver_settings (name, value) VALUES (?, ?)");
    setting.bind(1, "collation").bind(2, collation).run();
    ensurePrincipalTables(db); // in the same transaction: one write for a new catalog
    transaction.commit();
}

} // namespace testserver
