#include "testserver/engine/row_ddl.h"

#include "testserver/engine/help_text.h"
#include "testserver/engine/name_collation.h"
#include "testserver/engine/row_constraints.h"
#include "testserver/engine/row_executor.h"
#include "testserver/engine/row_values.h"
#include "testserver/engine/server_error.h"

namespace testserver {

RowDdl::RowDdl(CatalogDb& db, const SessionVariables& variables, std::string database)
    : m_db(db), m_variables(variables), m_database(std::move(database)), m_store(db) {}

void RowDdl::remember(const ObjectName& table) {
    Catalog catalog(m_db, m_database);
    m_table = catalog.findTable(table);
    if (!m_table)
        return; // the statement refuses it
    m_oldColumns = m_store.columns(m_table->id);
    for (const ObjectRow& child : catalog.childObjects(m_table->id))
        m_oldChildren.insert(child.id);
}

void RowDdl::reshape() {
    if (!m_table || !m_store.exists(m_table->id))
        return;
    const long long id = m_table->id;
    const std::string rows = RowStore::rowsTable(id);
    const std::string fresh = rows + "_new";
    std::vector<StoredColumn> columns = m_store.columns(id);
    m_db.execute("DROP TABLE IF EXISTS " + fresh);
    m_store.create(fresh, columns);
    std::string oldList = "rowid";
    for (const StoredColumn& column : m_oldColumns)
        oldList += ", " + RowStore::columnName(column.colid);
    std::optional<IdentitySpec> identity = m_store.identity(id);
    bool identityIsNew = false;
    for (const StoredColumn& column : columns)
        if (column.identity) {
            identityIsNew = true;
            for (const StoredColumn& old : m_oldColumns)
                identityIsNew = identityIsNew && old.colid != column.colid;
        }
    auto read = m_db.prepare("SELECT " + oldList + " FROM " + rows + " ORDER BY rowid");
    while (read.step()) {
        std::vector<SqlValue> values;
        for (const StoredColumn& column : columns) {
            std::optional<SqlValue> old;
            for (std::size_t i = 0; i < m_oldColumns.size(); ++i)
                if (m_oldColumns[i].colid == column.colid)
                    old = storedValue(read, static_cast<int>(i + 1));
            SqlValue value;
            if (old) {
                value = columnValue(column, *old);
            } else if (column.identity && identityIsNew && identity) {
                value = SqlValue::numeric(std::to_string(m_store.nextIdentity(id, *identity)));
            } else if (!column.nullable && !column.computed) {
                value = columnValue(column, defaultValue(m_db, m_variables, column));
            }
            if (!value.text && !column.nullable && !column.computed &&
                column.type.name != "timestamp")
                throw nullNotAllowed(
                    column.name, m_database, m_table->name, "UPDATE",
                    findSchemaName(m_db.handle(), m_table->schemaId).value_or("dbo"));
            values.push_back(std::move(value));
        }
        m_store.insertAt(fresh, read.integer(0), columns, values);
    }
    m_db.execute("DROP TABLE " + rows);
    m_db.execute("ALTER TABLE " + fresh + " RENAME TO " + rows);
    m_store.createIndexes(id);
}

void RowDdl::before(const AlterTableAdd& statement) {
    remember(statement.table);
}

void RowDdl::after(const AlterTableAdd& statement) {
    if (!m_table)
        return;
    try {
        reshape();
        if (!m_store.exists(m_table->id))
            return;
        RowConstraints constraints(m_db, m_variables, m_database, m_table->id, m_table->name);
        Catalog catalog(m_db, m_database);
        for (const ObjectRow& child : catalog.childObjects(m_table->id)) {
            if (m_oldChildren.count(child.id))
                continue;
            if ((child.xtype == "C" || child.xtype == "F") && !statement.noCheck)
                constraints.checkConstraint(child, "ALTER TABLE");
            if (child.xtype == "PK" || child.xtype == "UQ")
                for (const IndexRow& index : catalog.indexes(m_table->id))
                    if (namesEqual(index.name, child.name))
                        constraints.checkUniqueIndex(index.indid, true);
        }
    } catch (const ServerError& error) {
        throw terminated(error);
    }
}

void RowDdl::before(const AlterColumn& statement) {
    remember(statement.table);
}

void RowDdl::after(const AlterColumn&) {
    try {
        reshape();
    } catch (const ServerError& error) {
        throw terminated(error);
    }
}

void RowDdl::before(const DropColumns& statement) {
    remember(statement.table);
}

void RowDdl::after(const DropColumns&) {
    reshape();
}

void RowDdl::before(const CreateIndex& statement) {
    if (statement.unique)
        remember(statement.table);
}

void RowDdl::after(const CreateIndex& statement) {
    if (!m_table || !m_store.exists(m_table->id))
        return;
    Catalog catalog(m_db, m_database);
    for (const IndexRow& index : catalog.indexes(m_table->id))
        if (namesEqual(index.name, statement.name))
            RowConstraints(m_db, m_variables, m_database, m_table->id, m_table->name)
                .checkUniqueIndex(index.indid, false);
    m_store.createIndexes(m_table->id);
}

void RowDdl::before(const SetConstraintsEnabled& statement) {
    if (statement.enable && statement.withCheck)
        remember(statement.table);
}

void RowDdl::after(const SetConstraintsEnabled& statement) {
    if (!m_table || !m_store.exists(m_table->id))
        return;
    RowConstraints constraints(m_db, m_variables, m_database, m_table->id, m_table->name);
    Catalog catalog(m_db, m_database);
    for (const ObjectRow& child : catalog.childObjects(m_table->id)) {
        if (child.xtype != "C" && child.xtype != "F")
            continue;
        bool named = statement.names.empty();
        for (const std::string& name : statement.names)
            named = named || namesEqual(name, child.name);
        if (named)
            constraints.checkConstraint(child, "ALTER TABLE");
    }
}

void RowDdl::before(const DropObjects& statement) {
    if (statement.kind != DropKind::Table)
        return;
    Catalog catalog(m_db, m_database);
    for (const ObjectName& name : statement.names)
        if (std::optional<ObjectRow> table = catalog.findTable(name))
            m_droppedTables.push_back(table->id);
}

void RowDdl::after(const DropObjects&) {
    for (long long id : m_droppedTables)
        m_store.drop(id);
}

} // namespace testserver
