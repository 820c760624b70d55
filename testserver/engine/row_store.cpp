#include "testserver/engine/row_store.h"

#include "testserver/engine/catalog.h"
#include "testserver/engine/name_collation.h"

namespace testserver {

std::string quotedSqliteName(const std::string& name) {
    std::string text = "\"";
    for (char c : name) {
        text += c;
        if (c == '"')
            text += '"';
    }
    return text + "\"";
}

namespace {

bool isUnique(const IndexRow& index) {
    return (index.status & (indexstatus::kUnique | indexstatus::kPrimaryKey |
                            indexstatus::kUniqueConstraint)) != 0 &&
           (index.status & indexstatus::kStatisticsBit) == 0;
}

} // namespace

std::string StoredColumn::declaration() const {
    const std::string& typeName = type.name;
    if ((typeName == "char" || typeName == "varchar" || typeName == "nchar" ||
         typeName == "nvarchar" || typeName == "binary" || typeName == "varbinary") &&
        type.first)
        return typeName + "(" + std::to_string(*type.first) + ")";
    if ((typeName == "decimal" || typeName == "numeric") && type.first)
        return typeName + "(" + std::to_string(*type.first) + "," +
               std::to_string(type.second.value_or(0)) + ")";
    return typeName;
}

bool StoredColumn::isCharacter() const {
    const std::string& typeName = type.name;
    return typeName == "char" || typeName == "varchar" || typeName == "nchar" ||
           typeName == "nvarchar" || typeName == "text" || typeName == "ntext";
}

std::string RowStore::rowsTable(long long tableId) {
    return "testserver_rows_" + std::to_string(tableId);
}

std::string RowStore::columnName(int colid) {
    return "c" + std::to_string(colid);
}

bool RowStore::exists(long long tableId) {
    auto find = m_db.prepare("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?");
    find.bind(1, rowsTable(tableId));
    return find.step();
}

void RowStore::ensure(long long tableId) {
    if (exists(tableId))
        return;
    create(rowsTable(tableId), columns(tableId));
    createIndexes(tableId);
}

void RowStore::drop(long long tableId) {
    m_db.execute("DROP TABLE IF EXISTS " + rowsTable(tableId));
    m_db.execute("CREATE TABLE IF NOT EXISTS testserver_identity_current "
                 "(id INTEGER PRIMARY KEY, value INTEGER NOT NULL)");
    auto forget = m_db.prepare("DELETE FROM testserver_identity_current WHERE id = ?");
    forget.bind(1, tableId).run();
}

long long RowStore::count(long long tableId) {
    if (!exists(tableId))
        return 0;
    return m_db.queryInteger("SELECT COUNT(*) FROM " + rowsTable(tableId)).value_or(0);
}

std::vector<StoredColumn> RowStore::columns(long long tableId) {
    auto statement =
        m_db.prepare("SELECT c.colid, c.name, t.name, c.prec, c.scale, c.isnullable, c.colstat, "
                     "c.iscomputed, c.collation, c.cdefault FROM syscolumns c "
                     "JOIN systypes t ON t.xusertype = c.xtype WHERE c.id = ? ORDER BY c.colid");
    statement.bind(1, tableId);
    std::vector<StoredColumn> columns;
    while (statement.step()) {
        StoredColumn column;
        column.colid = static_cast<int>(statement.integer(0));
        column.name = statement.text(1);
        column.type.name = asciiLower(statement.text(2));
        if (!statement.isNull(3))
            column.type.first = static_cast<int>(statement.integer(3));
        if (!statement.isNull(4))
            column.type.second = static_cast<int>(statement.integer(4));
        column.nullable = statement.integer(5) != 0;
        column.identity = (statement.integer(6) & 1) != 0;
        column.computed = statement.integer(7) != 0;
        std::string collation = asciiLower(statement.value(8).value_or(""));
        column.caseSensitive = collation.find("_cs") != std::string::npos ||
                               collation.find("_bin") != std::string::npos;
        column.cdefault = statement.integer(9);
        columns.push_back(std::move(column));
    }
    return columns;
}

std::optional<IdentitySpec> RowStore::identity(long long tableId) {
    auto statement =
        m_db.prepare("SELECT colid, seed, increment FROM testserver_identity WHERE id = ?");
    statement.bind(1, tableId);
    if (!statement.step())
        return std::nullopt;
    IdentitySpec identity;
    identity.colid = static_cast<int>(statement.integer(0));
    identity.seed = std::stoll(statement.text(1));
    identity.increment = std::stoll(statement.text(2));
    return identity;
}

std::optional<long long> RowStore::currentIdentity(long long tableId) {
    m_db.execute("CREATE TABLE IF NOT EXISTS testserver_identity_current "
                 "(id INTEGER PRIMARY KEY, value INTEGER NOT NULL)");
    auto statement = m_db.prepare("SELECT value FROM testserver_identity_current WHERE id = ?");
    statement.bind(1, tableId);
    if (!statement.step())
        return std::nullopt;
    return statement.integer(0);
}

long long RowStore::nextIdentity(long long tableId, const IdentitySpec& identity) {
    std::optional<long long> current = currentIdentity(tableId);
    long long value = current ? *current + identity.increment : identity.seed;
    auto store = m_db.prepare(
        "INSERT OR REPLACE INTO testserver_identity_current (id, value) VALUES (?, ?)");
    store.bind(1, tableId).bind(2, value).run();
    return value;
}

void RowStore::noteIdentity(long long tableId, const IdentitySpec& identity, long long value) {
    std::optional<long long> current = currentIdentity(tableId);
    bool beyond = !current || (identity.increment > 0 ? value > *current : value < *current);
    if (!beyond)
        return;
    auto store = m_db.prepare(
        "INSERT OR REPLACE INTO testserver_identity_current (id, value) VALUES (?, ?)");
    store.bind(1, tableId).bind(2, value).run();
}

void RowStore::create(const std::string& name, const std::vector<StoredColumn>& columns) {
    std::string sql = "CREATE TABLE " + name + " (";
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const StoredColumn& column = columns[i];
        sql += (i ? ", " : "") + columnName(column.colid) + " " + column.declaration();
        if (column.isCharacter() && !column.caseSensitive)
            sql += " COLLATE NOCASE";
    }
    if (columns.empty())
        sql += "c0";
    m_db.execute(sql + ")");
}

void RowStore::createIndexes(long long tableId) {
    const std::string name = rowsTable(tableId);
    Catalog catalog(m_db, "");
    for (const IndexRow& index : catalog.indexes(tableId)) {
        if (!isUnique(index) || index.colids.empty())
            continue;
        std::string keys;
        for (int colid : index.colids)
            keys += (keys.empty() ? "" : ", ") + columnName(colid);
        m_db.execute("CREATE INDEX IF NOT EXISTS " + name + "_" + std::to_string(index.indid) +
                     " ON " + name + " (" + keys + ")");
    }
}

long long RowStore::insert(long long tableId, const std::vector<StoredColumn>& columns,
                           const std::vector<SqlValue>& values) {
    ensure(tableId);
    std::string names;
    std::string places;
    for (const StoredColumn& column : columns) {
        names += (names.empty() ? "" : ", ") + columnName(column.colid);
        places += places.empty() ? "?" : ", ?";
    }
    auto statement = m_db.prepare("INSERT INTO " + rowsTable(tableId) + " (" + names +
                                  ") VALUES (" + places + ")");
    for (std::size_t i = 0; i < values.size(); ++i)
        statement.bind(static_cast<int>(i + 1), values[i].text);
    statement.run();
    return m_db.queryInteger("SELECT last_insert_rowid()").value_or(0);
}

void RowStore::insertAt(const std::string& table, long long rowid,
                        const std::vector<StoredColumn>& columns,
                        const std::vector<SqlValue>& values) {
    std::string names = "rowid";
    std::string places = "?";
    for (const StoredColumn& column : columns) {
        names += ", " + columnName(column.colid);
        places += ", ?";
    }
    auto statement =
        m_db.prepare("INSERT INTO " + table + " (" + names + ") VALUES (" + places + ")");
    statement.bind(1, rowid);
    for (std::size_t i = 0; i < values.size(); ++i)
        statement.bind(static_cast<int>(i + 2), values[i].text);
    statement.run();
}

void RowStore::update(long long tableId, long long rowid, const std::vector<StoredColumn>& columns,
                      const std::vector<SqlValue>& values) {
    std::string sets;
    for (const StoredColumn& column : columns)
        sets += (sets.empty() ? "" : ", ") + columnName(column.colid) + " = ?";
    auto statement =
        m_db.prepare("UPDATE " + rowsTable(tableId) + " SET " + sets + " WHERE rowid = ?");
    int i = 1;
    for (const SqlValue& value : values)
        statement.bind(i++, value.text);
    statement.bind(i, rowid).run();
}

void RowStore::remove(long long tableId, long long rowid) {
    auto statement = m_db.prepare("DELETE FROM " + rowsTable(tableId) + " WHERE rowid = ?");
    statement.bind(1, rowid).run();
}

std::vector<SqlValue> RowStore::read(long long tableId, long long rowid,
                                     const std::vector<StoredColumn>& columns) {
    std::string names;
    for (const StoredColumn& column : columns)
        names += (names.empty() ? "" : ", ") + columnName(column.colid);
    auto statement =
        m_db.prepare("SELECT " + names + " FROM " + rowsTable(tableId) + " WHERE rowid = ?");
    statement.bind(1, rowid);
    std::vector<SqlValue> values;
    if (statement.step())
        for (int i = 0; i < statement.columnCount(); ++i)
            values.push_back(storedValue(statement, i));
    return values;
}

std::string RowStore::viewSelect(long long tableId, bool withRowIds) {
    std::string list;
    for (const StoredColumn& column : columns(tableId))
        list += (list.empty() ? "" : ", ") + columnName(column.colid) + " AS " +
                quotedSqliteName(column.name);
    if (withRowIds)
        list += ", rowid AS testserver_rowid";
    return "SELECT " + list + " FROM main." + rowsTable(tableId);
}

SqlValue storedValue(const CatalogStatement& statement, int column) {
    if (statement.isNull(column))
        return SqlValue::null();
    if (statement.isInteger(column) || statement.isFloat(column))
        return SqlValue::numeric(statement.text(column));
    return SqlValue::string(statement.text(column));
}

} // namespace testserver
