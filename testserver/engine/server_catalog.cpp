#include "testserver/engine/server_catalog.h"

#include "testserver/engine/name_collation.h"

#include <array>

namespace testserver {

namespace fs = std::filesystem;

namespace {

constexpr const char* kFileName = "testserver-master.db";

// The server tables, as SQL Server 2000 lays them out in master. `{S}` is
// the schema prefix: empty in the file, "master." in a session's copy.
// Security identifiers are kept as their hexadecimal text ("0x01").
constexpr const char* kTables = R"sql(
CREATE TABLE IF NOT EXISTS {S}sysdatabases (
    name nvarchar(128) COLLATE NOCASE NOT NULL,
    dbid smallint NOT NULL PRIMARY KEY,
    sid varbinary(85) NULL,
    mode smallint NOT NULL DEFAULT 0,
    status int NOT NULL DEFAULT 16,
    status2 int NOT NULL DEFAULT 0,
    crdate datetime NOT NULL DEFAULT (strftime('%Y-%m-%d %H:%M:%f', 'now')),
    reserved datetime NOT NULL DEFAULT '1900-01-01 00:00:00.000',
    category int NOT NULL DEFAULT 0,
    cmptlevel tinyint NOT NULL DEFAULT 80,
    filename nvarchar(260) NULL,
    version smallint NOT NULL DEFAULT 539
);
CREATE TABLE IF NOT EXISTS {S}sysaltfiles (
    fileid smallint NOT NULL,
    groupid smallint NOT NULL,
    size int NOT NULL,
    maxsize int NOT NULL,
    growth int NOT NULL,
    status int NOT NULL,
    perf int NOT NULL DEFAULT 0,
    dbid smallint NOT NULL,
    name nchar(128) COLLATE NOCASE NOT NULL,
    filename nchar(260) NOT NULL,
    PRIMARY KEY (dbid, fileid)
);
CREATE TABLE IF NOT EXISTS {S}syslogins (
    sid varbinary(85) NOT NULL,
    status smallint NOT NULL DEFAULT 9,
    createdate datetime NOT NULL DEFAULT (strftime('%Y-%m-%d %H:%M:%f', 'now')),
    updatedate datetime NOT NULL DEFAULT (strftime('%Y-%m-%d %H:%M:%f', 'now')),
    accdate datetime NOT NULL DEFAULT (strftime('%Y-%m-%d %H:%M:%f', 'now')),
    totcpu int NOT NULL DEFAULT 0,
    totio int NOT NULL DEFAULT 0,
    spacelimit int NOT NULL DEFAULT 0,
    timelimit int NOT NULL DEFAULT 0,
    resultlimit int NOT NULL DEFAULT 0,
    name nvarchar(128) COLLATE NOCASE NOT NULL,
    dbname nvarchar(128) COLLATE NOCASE NOT NULL DEFAULT 'master',
    password nvarchar(128) NULL,
    language nvarchar(128) NULL DEFAULT 'us_english',
    denylogin int NOT NULL DEFAULT 0,
    hasaccess int NOT NULL DEFAULT 1,
    isntname int NOT NULL DEFAULT 0,
    isntgroup int NOT NULL DEFAULT 0,
    isntuser int NOT NULL DEFAULT 0,
    sysadmin int NOT NULL DEFAULT 0,
    securityadmin int NOT NULL DEFAULT 0,
    serveradmin int NOT NULL DEFAULT 0,
    setupadmin int NOT NULL DEFAULT 0,
    processadmin int NOT NULL DEFAULT 0,
    diskadmin int NOT NULL DEFAULT 0,
    dbcreator int NOT NULL DEFAULT 0,
    bulkadmin int NOT NULL DEFAULT 0,
    loginname nvarchar(128) COLLATE NOCASE NOT NULL
);
CREATE TABLE IF NOT EXISTS {S}syslanguages (
    langid smallint NOT NULL,
    dateformat nchar(3) NOT NULL,
    datefirst tinyint NOT NULL,
    upgrade int NOT NULL,
    name nvarchar(128) COLLATE NOCASE NOT NULL,
    alias nvarchar(128) COLLATE NOCASE NOT NULL,
    months nvarchar(372) NULL,
    shortmonths nvarchar(132) NULL,
    days nvarchar(217) NULL,
    lcid int NOT NULL,
    msglangid smallint NOT NULL
);
CREATE TABLE IF NOT EXISTS {S}testserver_filegroups (
    dbid smallint NOT NULL,
    groupid smallint NOT NULL,
    groupname nvarchar(128) COLLATE NOCASE NOT NULL,
    PRIMARY KEY (dbid, groupid)
);
CREATE TABLE IF NOT EXISTS {S}testserver_databases (
    dbid smallint NOT NULL PRIMARY KEY,
    collation nvarchar(128) NULL
);
)sql";

constexpr std::array<const char*, 6> kTableNames{
    "sysdatabases", "sysaltfiles",           "syslogins",
    "syslanguages", "testserver_filegroups", "testserver_databases"};

std::string tablesSql(std::string_view prefix) {
    std::string sql = kTables;
    for (std::size_t at = sql.find("{S}"); at != std::string::npos; at = sql.find("{S}", at))
        sql.replace(at, 3, prefix);
    return sql;
}

// The four databases every SQL Server has, with the files Setup gives them.
struct SystemDatabase {
    const char* name;
    int dbid;
    const char* dataFile;
    const char* logFile;
    const char* logName;
};
constexpr SystemDatabase kSystemDatabases[] = {
    {"master", 1, "master.mdf", "mastlog.ldf", "mastlog"},
    {"tempdb", 2, "tempdb.mdf", "templog.ldf", "templog"},
    {"model", 3, "model.mdf", "modellog.ldf", "modellog"},
    {"msdb", 4, "msdbdata.mdf", "msdblog.ldf", "msdblog"},
};

bool isSystemDatabase(const std::string& name) {
    for (const SystemDatabase& system : kSystemDatabases)
        if (namesEqual(system.name, name))
            return true;
    return false;
}

std::string inDataDir(const fs::path& dataDir, const std::string& file) {
    std::error_code ignored;
    fs::path absolute = fs::absolute(dataDir, ignored);
    return (absolute / file).string();
}

void insertFiles(CatalogDb& db, int dbid, const std::vector<DatabaseFileSpec>& files) {
    auto insert = db.prepare("INSERT INTO sysaltfiles (fileid, groupid, size, maxsize, growth, "
                             "status, perf, dbid, name, filename) VALUES (?, ?, ?, ?, ?, ?, 0, "
                             "?, ?, ?)");
    int fileid = 1;
    for (const DatabaseFileSpec& file : files) {
        // status: 2 a disk file, 0x40 a log file, 0x100000 growth in percent.
        long long status = 2 | (file.log ? 0x40 : 0) | (file.growthInPercent ? 0x100000 : 0);
        insert.bind(1, fileid++)
            .bind(2, file.log ? 0 : file.groupid)
            .bind(3, file.size)
            .bind(4, file.maxsize)
            .bind(5, file.growth)
            .bind(6, status)
            .bind(7, dbid)
            .bind(8, file.name)
            .bind(9, file.filename)
            .run();
        insert.reset();
    }
}

void seed(CatalogDb& db, const fs::path& dataDir) {
    if (db.queryInteger("SELECT count(*) FROM sysdatabases").value_or(0) > 0)
        return;
    auto database = db.prepare("INSERT INTO sysdatabases (name, dbid, sid, status, status2, "
                               "filename) VALUES (?, ?, '0x01', ?, 1090519040, ?)");
    for (const SystemDatabase& system : kSystemDatabases) {
        std::string dataFile = inDataDir(dataDir, system.dataFile);
        // tempdb truncates its log on checkpoint (status 8) and so does
        // master; every system database has torn page detection (16).
        int status = system.dbid == 3 ? 16 : 24;
        database.bind(1, system.name).bind(2, system.dbid).bind(3, status).bind(4, dataFile).run();
        database.reset();
        std::string dataName = system.dbid == 1   ? "master"
                               : system.dbid == 2 ? "tempdev"
                               : system.dbid == 3 ? "modeldev"
                                                  : "MSDBData";
        insertFiles(db, system.dbid,
                    {DatabaseFileSpec{dataName, dataFile, 1280, -1, 10, true, false, 1},
                     DatabaseFileSpec{system.logName, inDataDir(dataDir, system.logFile), 128, -1,
                                      10, true, true, 0}});
        db.execute("INSERT INTO testserver_filegroups (dbid, groupid, groupname) VALUES (" +
                   std::to_string(system.dbid) + ", 1, 'PRIMARY')");
    }
    db.execute("INSERT INTO syslogins (sid, status, name, dbname, loginname, sysadmin) VALUES "
               "('0x01', 9, 'sa', 'master', 'sa', 1)");
    db.execute("INSERT INTO syslanguages VALUES (0, 'mdy', 7, 0, 'us_english', 'English', "
               "'January,February,March,April,May,June,July,August,September,October,November,"
               "December', 'Jan,Feb,Mar,Apr,May,Jun,Jul,Aug,Sep,Oct,Nov,Dec', "
               "'Monday,Tuesday,Wednesday,Thursday,Friday,Saturday,Sunday', 1033, 1033)");
}

} // namespace

ServerCatalog::ServerCatalog(const DatabaseDirectory& directory)
    : m_directory(directory), m_db(directory.path() / kFileName, CatalogDb::Mode::CreateNew) {
    // Written once per data directory; later sessions only read it here.
    if (m_db.queryInteger("SELECT count(*) FROM sqlite_master WHERE name IN ('sysdatabases', "
                          "'testserver_databases')")
                .value_or(0) == 2 &&
        m_db.queryInteger("SELECT count(*) FROM sysdatabases").value_or(0) > 0)
        return;
    CatalogTransaction transaction(m_db);
    m_db.execute(tablesSql(""));
    seed(m_db, directory.path());
    transaction.commit();
}

std::vector<DatabaseFileSpec> defaultFiles(const fs::path& dataDir, const std::string& name) {
    return {DatabaseFileSpec{name, inDataDir(dataDir, name + ".mdf"), 128, -1, 10, true, false, 1},
            DatabaseFileSpec{name + "_log", inDataDir(dataDir, name + "_log.ldf"), 128, -1, 10,
                             true, true, 0}};
}

void ServerCatalog::reconcile() {
    std::vector<DatabaseFile> files = m_directory.list();
    std::vector<std::pair<int, std::string>> rows;
    {
        auto all = m_db.prepare("SELECT dbid, name FROM sysdatabases WHERE dbid > 4");
        while (all.step())
            rows.emplace_back(static_cast<int>(all.integer(0)), all.text(1));
    }
    auto hasFile = [&](const std::string& name) {
        for (const DatabaseFile& file : files)
            if (namesEqual(file.name, name))
                return true;
        return false;
    };
    auto hasRow = [&](const std::string& name) {
        for (const auto& row : rows)
            if (namesEqual(row.second, name))
                return true;
        return false;
    };
    std::vector<int> gone;
    for (const auto& [dbid, name] : rows)
        if (!hasFile(name))
            gone.push_back(dbid);
    std::vector<std::string> added;
    for (const DatabaseFile& file : files)
        if (!isSystemDatabase(file.name) && !hasRow(file.name))
            added.push_back(file.name);
    if (gone.empty() && added.empty())
        return; // the usual case: no write lock taken
    CatalogTransaction transaction(m_db);
    for (int dbid : gone)
        for (const char* table :
             {"sysdatabases", "sysaltfiles", "testserver_filegroups", "testserver_databases"})
            m_db.prepare(std::string("DELETE FROM ") + table + " WHERE dbid = ?")
                .bind(1, dbid)
                .run();
    for (const std::string& name : added)
        registerDatabase(name, {}, {}, "");
    transaction.commit();
}

int ServerCatalog::registerDatabase(const std::string& name, std::vector<DatabaseFileSpec> files,
                                    const std::vector<DatabaseFilegroupSpec>& filegroups,
                                    const std::string& collation) {
    CatalogTransaction transaction(m_db);
    std::optional<int> dbid = dbidOf(name);
    if (!dbid)
        dbid = static_cast<int>(
            m_db.queryInteger("SELECT max(max(dbid) + 1, 5) FROM sysdatabases").value_or(5));
    for (const char* table :
         {"sysdatabases", "sysaltfiles", "testserver_filegroups", "testserver_databases"})
        m_db.prepare(std::string("DELETE FROM ") + table + " WHERE dbid = ?").bind(1, *dbid).run();
    if (files.empty())
        files = defaultFiles(m_directory.path(), name);
    m_db.prepare("INSERT INTO sysdatabases (name, dbid, sid, filename) VALUES (?, ?, '0x01', ?)")
        .bind(1, name)
        .bind(2, *dbid)
        .bind(3, files.front().filename)
        .run();
    insertFiles(m_db, *dbid, files);
    auto group = m_db.prepare(
        "INSERT INTO testserver_filegroups (dbid, groupid, groupname) VALUES (?, ?, ?)");
    group.bind(1, *dbid).bind(2, 1).bind(3, "PRIMARY").run();
    for (const DatabaseFilegroupSpec& filegroup : filegroups) {
        group.reset();
        group.bind(1, *dbid).bind(2, filegroup.groupid).bind(3, filegroup.name).run();
    }
    if (!collation.empty())
        m_db.prepare("INSERT INTO testserver_databases (dbid, collation) VALUES (?, ?)")
            .bind(1, *dbid)
            .bind(2, collation)
            .run();
    transaction.commit();
    return *dbid;
}

void ServerCatalog::forgetDatabase(const std::string& name) {
    std::optional<int> dbid = dbidOf(name);
    if (!dbid)
        return;
    CatalogTransaction transaction(m_db);
    for (const char* table :
         {"sysdatabases", "sysaltfiles", "testserver_filegroups", "testserver_databases"})
        m_db.prepare(std::string("DELETE FROM ") + table + " WHERE dbid = ?").bind(1, *dbid).run();
    m_db.prepare("UPDATE syslogins SET dbname = 'master' WHERE dbname = ?").bind(1, name).run();
    transaction.commit();
}

std::optional<int> ServerCatalog::dbidOf(const std::string& name) {
    auto find = m_db.prepare("SELECT dbid FROM sysdatabases WHERE name = ?");
    find.bind(1, name);
    if (!find.step())
        return std::nullopt;
    return static_cast<int>(find.integer(0));
}

void ServerCatalog::copyInto(CatalogDb& session) {
    // A savepoint, not BEGIN IMMEDIATE: only the session's private schema
    // is written, so the database's own file is never locked for this.
    session.execute("SAVEPOINT server_tables");
    try {
        copyTables(session);
    } catch (...) {
        session.execute("ROLLBACK TO server_tables");
        session.execute("RELEASE server_tables");
        throw;
    }
    session.execute("RELEASE server_tables");
}

void ServerCatalog::copyTables(CatalogDb& session) {
    for (const char* table : kTableNames)
        copyRows(m_db, table, session, std::string("master.") + table);
}

void attachServerTables(CatalogDb& session, const std::optional<int>& dbid) {
    session.execute("ATTACH DATABASE ':memory:' AS master");
    session.execute(tablesSql("master."));
    std::string id = std::to_string(dbid.value_or(0));
    session.execute("CREATE TEMP VIEW sysfiles AS SELECT fileid, groupid, size, maxsize, growth, "
                    "status, perf, name, filename FROM master.sysaltfiles WHERE dbid = " +
                    id +
                    ";\n"
                    "CREATE TEMP VIEW sysfilegroups AS SELECT groupid, 0 AS allocpolicy, "
                    "CASE WHEN groupid = 1 THEN 16 ELSE 0 END AS status, groupname FROM "
                    "master.testserver_filegroups WHERE dbid = " +
                    id);
}

bool readsServerTables(std::string_view lowerCaseSql) {
    for (std::string_view name :
         {"sysdatabases", "sysaltfiles", "syslogins", "syslanguages", "sysfiles", "sysfilegroups",
          "db_id", "db_name", "databaseproperty", "suser_sid", "suser_sname"})
        if (lowerCaseSql.find(name) != std::string::npos)
            return true;
    return false;
}

} // namespace testserver
