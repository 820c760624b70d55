#include "testserver/engine/catalog.h"

#include "testserver/engine/catalog_schema.h"
#include "testserver/engine/server_error.h"
#include "testserver/engine/utf8_text.h"

namespace testserver {

namespace {

// Ids of user objects start here, well above the system tables' ids and
// above 1000, as SQL Server's ids of user objects are.
constexpr long long kFirstUserId = 1977058079;

std::string normalizedXtype(std::string xtype) {
    while (!xtype.empty() && xtype.back() == ' ')
        xtype.pop_back();
    for (char& c : xtype)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return xtype;
}

ObjectRow readObject(const CatalogStatement& statement) {
    ObjectRow row;
    row.id = statement.integer(0);
    row.name = statement.text(1);
    row.xtype = normalizedXtype(statement.text(2));
    row.parent = statement.integer(3);
    row.info = static_cast<int>(statement.integer(4));
    row.status = statement.integer(5);
    row.schemaId = statement.integer(6);
    return row;
}

} // namespace

Catalog::Catalog(CatalogDb& db, std::string databaseName)
    : m_db(db), m_databaseName(std::move(databaseName)) {}

NameScope Catalog::scope() const {
    NameScope scope = nameScopeOf(m_db.serverYear());
    scope.moduleSchema = m_moduleSchema;
    return scope;
}

std::optional<ObjectRow> Catalog::objectById(long long id) {
    auto statement = m_db.prepare(
        "SELECT id, name, xtype, parent_obj, info, status, uid FROM sysobjects WHERE id = ?");
    statement.bind(1, id);
    if (!statement.step())
        return std::nullopt;
    return readObject(statement);
}

std::optional<ObjectRow> Catalog::findObject(const ObjectName& name) {
    std::optional<long long> id = resolveObjectId(m_db.handle(), name, scope());
    return id ? objectById(*id) : std::nullopt;
}

std::optional<ObjectRow> Catalog::findTable(const ObjectName& name) {
    std::optional<long long> id = resolveObjectId(m_db.handle(), name, scope(), "U");
    return id ? objectById(*id) : std::nullopt;
}

std::optional<ObjectRow> Catalog::findInSchema(long long schemaId, std::string_view name) {
    NameScope inSchema = scope();
    inSchema.moduleSchema = schemaId;
    ObjectName unqualified{"", std::string(name)};
    // Only that schema, not dbo after it.
    if (inSchema.schemas && schemaId != kDboSchema) {
        std::optional<std::string> schema = findSchemaName(m_db.handle(), schemaId);
        if (!schema)
            return std::nullopt;
        unqualified.schema = *schema;
    }
    std::optional<long long> id = resolveObjectId(m_db.handle(), unqualified, inSchema);
    return id ? objectById(*id) : std::nullopt;
}

long long Catalog::schemaForNew(const ObjectName& name) {
    if (!scope().schemas || !name.qualified())
        return kDboSchema;
    std::optional<long long> schema = findSchemaId(m_db.handle(), name.schema);
    if (!schema)
        throw ServerError(messages::make(2760, 16,
                                         "The specified schema name \"" + name.schema +
                                             "\" either does not exist or you do not have "
                                             "permission to use it."));
    return *schema;
}

std::vector<ObjectRow> Catalog::childObjects(long long parentId) {
    auto statement =
        m_db.prepare("SELECT id, name, xtype, parent_obj, info, status, uid FROM sysobjects WHERE "
                     "parent_obj = ? ORDER BY id");
    statement.bind(1, parentId);
    std::vector<ObjectRow> rows;
    while (statement.step())
        rows.push_back(readObject(statement));
    return rows;
}

std::vector<ColumnRow> Catalog::columns(long long tableId) {
    auto statement = m_db.prepare(
        "SELECT id, colid, name, xtype, length, prec, scale, isnullable, colstat, collation, "
        "cdefault FROM syscolumns WHERE id = ? ORDER BY colid");
    statement.bind(1, tableId);
    std::vector<ColumnRow> rows;
    while (statement.step()) {
        ColumnRow row;
        row.id = statement.integer(0);
        row.colid = static_cast<int>(statement.integer(1));
        row.name = statement.text(2);
        row.xtype = static_cast<int>(statement.integer(3));
        row.length = static_cast<int>(statement.integer(4));
        if (!statement.isNull(5))
            row.prec = static_cast<int>(statement.integer(5));
        if (!statement.isNull(6))
            row.scale = static_cast<int>(statement.integer(6));
        row.nullable = statement.integer(7) != 0;
        row.identity = (statement.integer(8) & 1) != 0;
        row.collation = statement.value(9);
        row.cdefault = statement.integer(10);
        rows.push_back(std::move(row));
    }
    return rows;
}

std::optional<ColumnRow> Catalog::findColumn(long long tableId, std::string_view name) {
    auto statement = m_db.prepare("SELECT colid FROM syscolumns WHERE id = ? AND name = ?");
    statement.bind(1, tableId).bind(2, name);
    if (!statement.step())
        return std::nullopt;
    int colid = static_cast<int>(statement.integer(0));
    for (ColumnRow& row : columns(tableId))
        if (row.colid == colid)
            return std::move(row);
    return std::nullopt;
}

std::vector<IndexRow> Catalog::indexes(long long tableId) {
    auto statement = m_db.prepare("SELECT indid, name, status FROM sysindexes "
                                  "WHERE id = ? AND indid BETWEEN 1 AND 250 ORDER BY indid");
    statement.bind(1, tableId);
    std::vector<IndexRow> rows;
    while (statement.step()) {
        IndexRow row;
        row.indid = static_cast<int>(statement.integer(0));
        row.name = statement.text(1);
        row.status = statement.integer(2);
        rows.push_back(std::move(row));
    }
    auto keys =
        m_db.prepare("SELECT colid FROM sysindexkeys WHERE id = ? AND indid = ? ORDER BY keyno");
    for (IndexRow& row : rows) {
        keys.bind(1, tableId).bind(2, row.indid);
        while (keys.step())
            row.colids.push_back(static_cast<int>(keys.integer(0)));
        keys.reset();
    }
    return rows;
}

std::optional<AliasTypeRow> Catalog::findAliasType(std::string_view name) {
    auto statement = m_db.prepare("SELECT name, xusertype, xtype, length, xprec, xscale, "
                                  "allownulls FROM systypes WHERE name = ? AND xusertype > 256");
    statement.bind(1, name);
    if (!statement.step())
        return std::nullopt;
    AliasTypeRow row;
    row.name = statement.text(0);
    row.xusertype = static_cast<int>(statement.integer(1));
    row.xtype = static_cast<int>(statement.integer(2));
    row.length = static_cast<int>(statement.integer(3));
    row.prec = static_cast<int>(statement.integer(4));
    row.scale = static_cast<int>(statement.integer(5));
    row.allowNulls = statement.integer(6) != 0;
    return row;
}

std::string Catalog::collation() {
    auto statement = m_db.prepare("SELECT value FROM testserver_settings WHERE name = 'collation'");
    if (statement.step() && !statement.isNull(0))
        return statement.text(0);
    return "Chinese_PRC_CI_AS";
}

long long Catalog::newObjectId() {
    std::optional<long long> highest = m_db.queryInteger("SELECT max(id) FROM sysobjects");
    return highest && *highest >= kFirstUserId ? *highest + 1 : kFirstUserId;
}

void Catalog::insertObject(long long schemaId, const std::string& name, long long id,
                           std::string_view xtype, long long parent, int info, long long status) {
    // sysobjects.type is the xtype except for key constraints (type K).
    std::string type = (xtype == "PK" || xtype == "UQ") ? "K" : std::string(xtype);
    auto statement =
        m_db.prepare("INSERT INTO sysobjects (name, id, xtype, type, uid, info, "
                     "status, parent_obj, sysstat) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)");
    statement.bind(1, name).bind(2, id).bind(3, xtype).bind(4, type).bind(5, schemaId);
    statement.bind(6, info).bind(7, status).bind(8, parent).bind(9, sysstatOf(xtype));
    statement.run();
}

void Catalog::setObjectStatus(long long id, long long status) {
    auto statement = m_db.prepare("UPDATE sysobjects SET status = ? WHERE id = ?");
    statement.bind(1, status).bind(2, id).run();
}

void Catalog::insertConstraint(long long constid, long long tableId, int colid, int status,
                               int actions) {
    auto statement = m_db.prepare("INSERT INTO sysconstraints (constid, id, colid, status, "
                                  "actions) VALUES (?, ?, ?, ?, ?)");
    statement.bind(1, constid).bind(2, tableId).bind(3, colid).bind(4, status).bind(5, actions);
    statement.run();
}

void Catalog::insertForeignKey(const ForeignKeyRow& key) {
    auto statement = m_db.prepare("INSERT INTO sysforeignkeys (constid, fkeyid, rkeyid, fkey, "
                                  "rkey, keyno) VALUES (?, ?, ?, ?, ?, ?)");
    int keyno = 1;
    for (auto [fkey, rkey] : key.columns) {
        statement.bind(1, key.id).bind(2, key.table).bind(3, key.referenced);
        statement.bind(4, fkey).bind(5, rkey).bind(6, keyno++);
        statement.run();
        statement.reset();
    }
}

namespace {

std::vector<ForeignKeyRow> readForeignKeys(CatalogDb& db, const char* where, long long tableId) {
    auto statement = db.prepare(std::string("SELECT k.constid, o.name, k.fkeyid, k.rkeyid, k.fkey, "
                                            "k.rkey FROM sysforeignkeys k JOIN sysobjects o ON "
                                            "o.id = k.constid WHERE ") +
                                where + " ORDER BY k.constid, k.keyno");
    statement.bind(1, tableId);
    std::vector<ForeignKeyRow> keys;
    while (statement.step()) {
        if (keys.empty() || keys.back().id != statement.integer(0)) {
            keys.emplace_back();
            keys.back().id = statement.integer(0);
            keys.back().name = statement.text(1);
            keys.back().table = statement.integer(2);
            keys.back().referenced = statement.integer(3);
        }
        keys.back().columns.emplace_back(static_cast<int>(statement.integer(4)),
                                         static_cast<int>(statement.integer(5)));
    }
    return keys;
}

} // namespace

std::vector<ForeignKeyRow> Catalog::foreignKeysReferencing(long long tableId) {
    return readForeignKeys(m_db, "k.rkeyid = ?", tableId);
}

std::vector<ForeignKeyRow> Catalog::foreignKeysOf(long long tableId) {
    return readForeignKeys(m_db, "k.fkeyid = ?", tableId);
}

void Catalog::setIdentity(long long tableId, int colid, const std::string& seed,
                          const std::string& increment, bool notForReplication) {
    auto statement = m_db.prepare("INSERT OR REPLACE INTO testserver_identity (id, colid, seed, "
                                  "increment, not_for_replication) VALUES (?, ?, ?, ?, ?)");
    statement.bind(1, tableId).bind(2, colid).bind(3, seed).bind(4, increment);
    statement.bind(5, notForReplication ? 1 : 0).run();
}

void Catalog::insertComments(long long id, const std::string& text, bool encrypted, int number) {
    auto statement = m_db.prepare("INSERT INTO syscomments (id, number, colid, status, texttype, "
                                  "encrypted, text) VALUES (?, ?, ?, ?, ?, ?, ?)");
    int colid = 1;
    for (const std::string& piece : splitByUtf16Units(text, 4000)) {
        statement.bind(1, id).bind(2, number);
        statement.bind(3, colid++);
        statement.bind(4, encrypted ? 1 : 0).bind(5, encrypted ? 4 : 0).bind(6, encrypted ? 1 : 0);
        if (encrypted)
            statement.bindNull(7); // the clear text is not kept
        else
            statement.bind(7, piece);
        statement.run();
        statement.reset();
    }
}

void Catalog::deleteObject(long long id) {
    for (const char* sql :
         {"DELETE FROM syscomments WHERE id = ?", "DELETE FROM sysconstraints WHERE constid = ?",
          "DELETE FROM sysforeignkeys WHERE constid = ?", "DELETE FROM sysproperties WHERE id = ?",
          "DELETE FROM sysobjects WHERE id = ?"}) {
        auto statement = m_db.prepare(sql);
        statement.bind(1, id).run();
    }
}

void Catalog::deleteColumn(long long tableId, int colid) {
    // A computed column's text is kept under the table's id with the column's
    // colid as `number`; a column's extended properties under its colid.
    for (const char* sql :
         {"DELETE FROM syscolumns WHERE id = ? AND colid = ?",
          "DELETE FROM testserver_identity WHERE id = ? AND colid = ?",
          "DELETE FROM testserver_rowguidcol WHERE id = ? AND colid = ?",
          "DELETE FROM syscomments WHERE id = ? AND number = ?",
          "DELETE FROM sysproperties WHERE id = ? AND smallid = ? AND type = 4"}) {
        auto statement = m_db.prepare(sql);
        statement.bind(1, tableId).bind(2, colid).run();
    }
}

void Catalog::setHeapRow(long long tableId, bool present) {
    auto remove = m_db.prepare("DELETE FROM sysindexes WHERE id = ? AND indid = 0");
    remove.bind(1, tableId).run();
    if (!present)
        return;
    auto name = m_db.prepare("SELECT name FROM sysobjects WHERE id = ?");
    name.bind(1, tableId);
    std::string tableName = name.step() ? name.text(0) : std::string();
    auto insert =
        m_db.prepare("INSERT INTO sysindexes (id, status, indid, name) VALUES (?, 0, 0, ?)");
    insert.bind(1, tableId).bind(2, tableName).run();
}

void Catalog::insertIndex(long long tableId, int indid, const std::string& name, long long status,
                          const std::vector<int>& colids, const std::vector<bool>& descending,
                          int fillFactor) {
    auto insert = m_db.prepare("INSERT INTO sysindexes (id, status, indid, name, keycnt, "
                               "OrigFillFactor) VALUES (?, ?, ?, ?, ?, ?)");
    insert.bind(1, tableId)
        .bind(2, status)
        .bind(3, indid)
        .bind(4, name)
        .bind(5, static_cast<int>(colids.size()))
        .bind(6, fillFactor);
    insert.run();
    auto descendingKey =
        m_db.prepare("INSERT INTO testserver_descending_keys (id, indid, keyno) VALUES (?, ?, ?)");
    for (std::size_t i = 0; i < descending.size(); ++i) {
        if (!descending[i])
            continue;
        descendingKey.bind(1, tableId).bind(2, indid).bind(3, static_cast<int>(i + 1)).run();
        descendingKey.reset();
    }
    auto key =
        m_db.prepare("INSERT INTO sysindexkeys (id, indid, colid, keyno) VALUES (?, ?, ?, ?)");
    int keyno = 1;
    for (int colid : colids) {
        key.bind(1, tableId).bind(2, indid).bind(3, colid).bind(4, keyno++);
        key.run();
        key.reset();
    }
}

void Catalog::deleteIndex(long long tableId, int indid) {
    for (const char* sql : {"DELETE FROM sysindexkeys WHERE id = ? AND indid = ?",
                            "DELETE FROM testserver_descending_keys WHERE id = ? AND indid = ?",
                            "DELETE FROM testserver_included_columns WHERE id = ? AND indid = ?",
                            "DELETE FROM testserver_index_filters WHERE id = ? AND indid = ?",
                            "DELETE FROM sysproperties WHERE id = ? AND smallid = ? AND type = 5",
                            "DELETE FROM sysindexes WHERE id = ? AND indid = ?"}) {
        auto statement = m_db.prepare(sql);
        statement.bind(1, tableId).bind(2, indid).run();
    }
}

void Catalog::insertIndexExtras(long long tableId, int indid, const std::vector<int>& included,
                                const std::optional<std::string>& filter) {
    auto insert = m_db.prepare(
        "INSERT INTO testserver_included_columns (id, indid, ordinal, colid) VALUES (?, ?, ?, ?)");
    int ordinal = 1;
    for (int colid : included) {
        insert.bind(1, tableId).bind(2, indid).bind(3, ordinal++).bind(4, colid).run();
        insert.reset();
    }
    if (filter) {
        auto insertFilter = m_db.prepare(
            "INSERT INTO testserver_index_filters (id, indid, definition) VALUES (?, ?, ?)");
        insertFilter.bind(1, tableId).bind(2, indid).bind(3, *filter).run();
    }
}

int Catalog::freeIndexId(long long tableId) {
    auto statement = m_db.prepare("SELECT indid FROM sysindexes WHERE id = ? AND indid >= 2 "
                                  "ORDER BY indid");
    statement.bind(1, tableId);
    int candidate = 2;
    while (statement.step()) {
        if (statement.integer(0) != candidate)
            break;
        ++candidate;
    }
    return candidate;
}

} // namespace testserver
