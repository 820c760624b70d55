#include "testserver/engine/row_constraints.h"

#include "testserver/engine/name_collation.h"
#include "testserver/engine/row_values.h"
#include "testserver/engine/select_executor.h"
#include "testserver/engine/server_error.h"

namespace testserver {

namespace {

ServerError conflict(std::string_view verb, std::string_view level, std::string_view kind,
                     std::string_view name, std::string_view database, std::string_view table,
                     std::string_view column) {
    std::string text = std::string(verb) + " statement conflicted with " + std::string(level) +
                       " " + std::string(kind) + " constraint '" + std::string(name) +
                       "'. The conflict occurred in database '" + std::string(database) +
                       "', table '" + std::string(table) + "'";
    if (!column.empty())
        text += ", column '" + std::string(column) + "'";
    return ServerError(messages::make(547, 16, text + "."));
}

std::string keyColumns(const std::string& alias, const std::vector<int>& colids) {
    std::string list;
    for (int colid : colids)
        list += (list.empty() ? "" : ", ") + alias + "." + RowStore::columnName(colid);
    return list;
}

} // namespace

void clearChangedRows(CatalogDb& db) {
    db.execute("CREATE TEMP TABLE IF NOT EXISTS testserver_changed (r INTEGER PRIMARY KEY)");
    db.execute("DELETE FROM temp.testserver_changed");
}

void markChangedRow(CatalogDb& db, long long rowid) {
    auto statement = db.prepare("INSERT OR IGNORE INTO temp.testserver_changed (r) VALUES (?)");
    statement.bind(1, rowid).run();
}

RowConstraints::RowConstraints(CatalogDb& db, const SessionVariables& variables,
                               std::string database, long long tableId, std::string table)
    : m_db(db), m_variables(variables), m_database(std::move(database)), m_tableId(tableId),
      m_table(std::move(table)), m_rows(db) {}

bool RowConstraints::enabled(long long constraintId) {
    auto statement = m_db.prepare("SELECT status FROM sysobjects WHERE id = ?");
    statement.bind(1, constraintId);
    return statement.step() && (statement.integer(0) & cnststatus::kDisabled) == 0;
}

std::string RowConstraints::columnNameOf(long long tableId, int colid) {
    auto statement = m_db.prepare("SELECT name FROM syscolumns WHERE id = ? AND colid = ?");
    statement.bind(1, tableId).bind(2, colid);
    return statement.step() ? statement.text(0) : std::string();
}

std::string RowConstraints::tableNameOf(long long tableId) {
    auto statement = m_db.prepare("SELECT name FROM sysobjects WHERE id = ?");
    statement.bind(1, tableId);
    return statement.step() ? statement.text(0) : std::string();
}

std::vector<RowConstraints::Check> RowConstraints::checks(std::optional<long long> only) {
    auto statement = m_db.prepare(
        "SELECT o.id, o.name, o.info, o.status FROM sysobjects o WHERE o.parent_obj = ? "
        "AND o.xtype = 'C' ORDER BY o.id");
    statement.bind(1, m_tableId);
    std::vector<Check> found;
    while (statement.step()) {
        long long id = statement.integer(0);
        if ((only && id != *only) || (!only && (statement.integer(3) & cnststatus::kDisabled)))
            continue;
        Check check;
        check.name = statement.text(1);
        auto text = m_db.prepare("SELECT text FROM syscomments WHERE id = ? ORDER BY colid");
        text.bind(1, id);
        while (text.step())
            check.text += text.text(0);
        if (int colid = static_cast<int>(statement.integer(2)))
            check.column = columnNameOf(m_tableId, colid);
        found.push_back(std::move(check));
    }
    return found;
}

void RowConstraints::checkRows(const Check& check, std::string_view verb, bool changedOnly) {
    std::string bracketed = "[";
    for (char c : m_table)
        bracketed += c == ']' ? std::string("]]") : std::string(1, c);
    std::string sql = "SELECT TOP 1 1 FROM " + bracketed + "] WHERE ";
    if (changedOnly)
        sql += "testserver_rowid IN (SELECT r FROM testserver_changed) AND ";
    sql += "NOT (" + check.text + ")";
    if (!selectValues(m_db, sql, m_variables, true).empty())
        throw conflict(verb, check.column.empty() ? "TABLE" : "COLUMN", "CHECK", check.name,
                       m_database, m_table, check.column);
}

void RowConstraints::checkForeignKey(const ForeignKeyRow& key, std::string_view verb,
                                     bool changedOnly) {
    m_rows.ensure(key.referenced);
    std::string sql = "SELECT 1 FROM " + RowStore::rowsTable(m_tableId) + " c WHERE ";
    if (changedOnly)
        sql += "c.rowid IN (SELECT r FROM temp.testserver_changed) AND ";
    std::string match;
    for (const auto& [child, parent] : key.columns) {
        sql += "c." + RowStore::columnName(child) + " IS NOT NULL AND ";
        match += (match.empty() ? "" : " AND ") + std::string("p.") + RowStore::columnName(parent) +
                 " = c." + RowStore::columnName(child);
    }
    sql += "NOT EXISTS (SELECT 1 FROM " + RowStore::rowsTable(key.referenced) + " p WHERE " +
           match + ") LIMIT 1";
    auto statement = m_db.prepare(sql);
    if (!statement.step())
        return;
    bool single = key.columns.size() == 1;
    throw conflict(verb, single ? "COLUMN" : "TABLE", "FOREIGN KEY", key.name, m_database,
                   tableNameOf(key.referenced),
                   single ? columnNameOf(key.referenced, key.columns.front().second) : "");
}

void RowConstraints::checkChangedRows(std::string_view verb) {
    for (const Check& check : checks())
        checkRows(check, verb, true);
    Catalog catalog(m_db, m_database);
    for (const IndexRow& index : catalog.indexes(m_tableId)) {
        bool unique = (index.status & (indexstatus::kUnique | indexstatus::kPrimaryKey |
                                       indexstatus::kUniqueConstraint)) != 0;
        if (!unique || index.colids.empty() || (index.status & indexstatus::kStatisticsBit))
            continue;
        std::string match;
        for (int colid : index.colids)
            match +=
                " AND b." + RowStore::columnName(colid) + " IS a." + RowStore::columnName(colid);
        const std::string rows = RowStore::rowsTable(m_tableId);
        auto statement = m_db.prepare("SELECT 1 FROM " + rows +
                                      " a WHERE a.rowid IN (SELECT r FROM temp.testserver_changed)"
                                      " AND EXISTS (SELECT 1 FROM " +
                                      rows + " b WHERE b.rowid <> a.rowid" + match + ") LIMIT 1");
        if (!statement.step())
            continue;
        if (index.status & (indexstatus::kPrimaryKey | indexstatus::kUniqueConstraint))
            throw ServerError(messages::make(
                2627, 14,
                "Violation of " +
                    std::string((index.status & indexstatus::kPrimaryKey) ? "PRIMARY KEY"
                                                                          : "UNIQUE KEY") +
                    " constraint '" + index.name + "'. Cannot insert duplicate key in object '" +
                    m_table + "'."));
        throw ServerError(messages::make(2601, 14,
                                         "Cannot insert duplicate key row in object '" + m_table +
                                             "' with unique index '" + index.name + "'."));
    }
    for (const ForeignKeyRow& key : catalog.foreignKeysOf(m_tableId))
        if (enabled(key.id))
            checkForeignKey(key, verb, true);
}

void RowConstraints::rememberKeys(long long rowid) {
    if (!m_keysLoaded) {
        Catalog catalog(m_db, m_database);
        for (ForeignKeyRow& key : catalog.foreignKeysReferencing(m_tableId))
            if (enabled(key.id))
                m_oldKeys.emplace_back(std::move(key), std::vector<std::vector<SqlValue>>{});
        m_keysLoaded = true;
    }
    for (auto& [key, values] : m_oldKeys) {
        std::string list;
        for (const auto& pair : key.columns)
            list += (list.empty() ? "" : ", ") + RowStore::columnName(pair.second);
        auto statement = m_db.prepare("SELECT " + list + " FROM " + RowStore::rowsTable(m_tableId) +
                                      " WHERE rowid = ?");
        statement.bind(1, rowid);
        if (!statement.step())
            continue;
        std::vector<SqlValue> row;
        for (int i = 0; i < statement.columnCount(); ++i)
            row.push_back(storedValue(statement, i));
        values.push_back(std::move(row));
    }
}

void RowConstraints::checkReferencesTo(std::string_view verb) {
    for (const auto& [key, values] : m_oldKeys) {
        if (values.empty() || !m_rows.exists(key.table))
            continue;
        // A referencing row that still finds its key (the row kept it, or
        // another row holds it) is no orphan.
        std::string childMatch;
        std::string parentMatch;
        int parameter = 1;
        for (const auto& [child, parent] : key.columns) {
            childMatch += (childMatch.empty() ? "" : " AND ") + std::string("c.") +
                          RowStore::columnName(child) + " = ?" + std::to_string(parameter);
            parentMatch += (parentMatch.empty() ? "" : " AND ") + std::string("p.") +
                           RowStore::columnName(parent) + " = ?" + std::to_string(parameter);
            ++parameter;
        }
        auto statement =
            m_db.prepare("SELECT 1 FROM " + RowStore::rowsTable(key.table) + " c WHERE " +
                         childMatch + " AND NOT EXISTS (SELECT 1 FROM " +
                         RowStore::rowsTable(m_tableId) + " p WHERE " + parentMatch + ") LIMIT 1");
        for (const std::vector<SqlValue>& row : values) {
            bool hasNull = false;
            for (std::size_t i = 0; i < row.size(); ++i) {
                hasNull = hasNull || !row[i].text;
                statement.bind(static_cast<int>(i + 1), row[i].text);
            }
            bool orphaned = !hasNull && statement.step();
            statement.reset();
            if (!orphaned)
                continue;
            bool single = key.columns.size() == 1;
            std::string kind = key.table == m_tableId ? "SAME TABLE REFERENCE" : "REFERENCE";
            throw conflict(verb, single ? "COLUMN" : "TABLE", kind, key.name, m_database,
                           tableNameOf(key.table),
                           single ? columnNameOf(key.table, key.columns.front().first) : "");
        }
    }
}

void RowConstraints::checkConstraint(const ObjectRow& constraint, std::string_view verb) {
    if (!m_rows.exists(m_tableId))
        return;
    if (namesEqual(constraint.xtype, "C")) {
        for (const Check& check : checks(constraint.id))
            checkRows(check, verb, false);
        return;
    }
    Catalog catalog(m_db, m_database);
    for (const ForeignKeyRow& key : catalog.foreignKeysOf(m_tableId))
        if (key.id == constraint.id)
            checkForeignKey(key, verb, false);
}

void RowConstraints::checkUniqueIndex(int indid, bool constraint) {
    if (!m_rows.exists(m_tableId))
        return;
    Catalog catalog(m_db, m_database);
    for (const IndexRow& index : catalog.indexes(m_tableId)) {
        if (index.indid != indid || index.colids.empty())
            continue;
        std::string keys = keyColumns("a", index.colids);
        auto statement = m_db.prepare("SELECT " + keys + " FROM " + RowStore::rowsTable(m_tableId) +
                                      " a GROUP BY " + keys + " HAVING COUNT(*) > 1 LIMIT 1");
        if (!statement.step())
            return;
        std::string key = statement.isNull(0) ? "NULL" : statement.text(0);
        std::vector<ServerMessage> refusal{messages::make(
            1505, 16,
            "CREATE UNIQUE INDEX terminated because a duplicate key was found for index ID " +
                std::to_string(indid) + ". Most significant primary key is '" + key + "'.")};
        if (constraint)
            refusal.push_back(
                messages::make(1750, 16, "Could not create constraint. See previous errors."));
        throw ServerError(refusal, false);
    }
}

} // namespace testserver
