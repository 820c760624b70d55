// CREATE TABLE, ALTER TABLE ADD / ALTER COLUMN / DROP COLUMN and DROP TABLE.

#include "testserver/engine/computed_column.h"
#include "testserver/engine/ddl_executor.h"
#include "testserver/engine/syscolumns_row.h"

#include "testserver/engine/name_collation.h"
#include "testserver/engine/server_error.h"

#include <algorithm>

namespace testserver {

namespace {

bool isCollationName(std::string_view name) {
    std::string lower = asciiLower(name);
    auto endsWith = [&](std::string_view suffix) {
        return lower.size() > suffix.size() &&
               lower.compare(lower.size() - suffix.size(), suffix.size(), suffix) == 0;
    };
    return lower.find("_ci_") != std::string::npos || lower.find("_cs_") != std::string::npos ||
           endsWith("_bin") || endsWith("_bin2") || endsWith("_ci") || endsWith("_cs");
}

bool isLargeObject(int xtype) {
    return xtype == 34 || xtype == 35 || xtype == 99;
}

const char* typeNameOf(int xtype) {
    switch (xtype) {
    case 34:
        return "image";
    case 35:
        return "text";
    case 99:
        return "ntext";
    case 189:
        return "timestamp";
    default:
        return "";
    }
}

} // namespace

DdlExecutor::DdlExecutor(CatalogDb& db, std::string databaseName, int serverYear)
    : m_catalog(db, std::move(databaseName)), m_serverYear(serverYear) {}

ResolvedColumn DdlExecutor::resolveColumn(const ColumnDefinition& column, int columnNumber,
                                          bool primaryKeyMember, const std::string& table) {
    ResolvedColumn resolved;
    resolved.name = column.name;
    resolved.rowGuidCol = column.rowGuidCol;
    if (column.computed) {
        // Typed by completeColumns once the table's other columns are known.
        resolved.computed = column.computed;
        resolved.nullable = true;
        return resolved;
    }
    std::optional<AliasTypeRow> alias;
    if (!findBuiltinType(column.type.name) && !namesEqual(column.type.name, "dec") &&
        !namesEqual(column.type.name, "integer") && !namesEqual(column.type.name, "character"))
        alias = m_catalog.findAliasType(column.type.name);
    if (alias) {
        if (column.type.first)
            throw messages::widthNotAllowed(columnNumber, alias->name);
        resolved.values = columnTypeValues(aliasBaseType(*alias), column.name, columnNumber);
        resolved.values.xusertype = alias->xusertype;
    } else {
        resolved.values = columnTypeValues(column.type, column.name, columnNumber, m_serverYear);
    }
    const BuiltinType* type = nullptr;
    for (const BuiltinType& candidate : builtinTypes())
        if (candidate.xtype == resolved.values.xtype &&
            candidate.xusertype == resolved.values.xusertype)
            type = &candidate;
    resolved.typeName = type ? std::string(type->name) : asciiLower(column.type.name);

    if (column.collation) {
        if (!isCollationName(*column.collation))
            throw ServerError(
                messages::make(448, 16, "Invalid collation '" + *column.collation + "'."));
        if (!resolved.values.character)
            throw ServerError(messages::make(447, 16,
                                             "Expression type " + resolved.typeName +
                                                 " is invalid for COLLATE clause."));
        resolved.collation = column.collation;
    } else if (resolved.values.character) {
        resolved.collation = m_catalog.collation();
    }

    resolved.identity = column.identity.has_value();
    resolved.identityDeclaration = column.identity.value_or(IdentityDeclaration{});
    if (column.identity) {
        bool allowed = resolved.values.identityAllowed &&
                       !((resolved.values.xtype == 106 || resolved.values.xtype == 108) &&
                         resolved.values.xscale != 0);
        if (!allowed)
            throw messages::identityType(column.name);
        if (column.nullable.value_or(false))
            throw ServerError(messages::make(8147, 16,
                                             "Could not create IDENTITY attribute on nullable "
                                             "column '" +
                                                 column.name + "', table '" + table + "'."));
        resolved.nullable = false;
    } else if (primaryKeyMember) {
        if (column.nullable.value_or(false))
            throw messages::nullablePrimaryKey(table);
        resolved.nullable = false;
    } else {
        // Connections through ODBC and OLE DB run with ANSI_NULL_DFLT_ON; an
        // alias type brings its own nullability.
        resolved.nullable = column.nullable.value_or(alias ? alias->allowNulls : true);
    }
    return resolved;
}

void DdlExecutor::insertColumn(long long tableId, int colid, const ResolvedColumn& column) {
    auto insert = m_catalog.db().prepare(std::string(kSyscolumnsInsertColumns) +
                                         ") VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
                                         "?, ?, ?)");
    bindSyscolumnsRow(insert, {column.name, tableId, colid, column.values, column.nullable,
                               column.identity, column.collation});
    insert.run();
    if (column.computed) {
        auto flag = m_catalog.db().prepare(
            "UPDATE syscolumns SET iscomputed = 1 WHERE id = ? AND colid = ?");
        flag.bind(1, tableId).bind(2, colid).run();
    }
}

void DdlExecutor::insertNewColumn(long long tableId, int colid, const ResolvedColumn& column) {
    insertColumn(tableId, colid, column);
    if (column.identity)
        m_catalog.setIdentity(tableId, colid, column.identityDeclaration.seed,
                              column.identityDeclaration.increment,
                              column.identityDeclaration.notForReplication);
    if (column.computed)
        m_catalog.insertComments(tableId, column.computed->text, false, colid);
    if (column.rowGuidCol) {
        auto flag =
            m_catalog.db().prepare("INSERT INTO testserver_rowguidcol (id, colid) VALUES (?, ?)");
        flag.bind(1, tableId).bind(2, colid).run();
    }
}

void DdlExecutor::completeColumns(const ObjectRow* table, std::vector<ResolvedColumn>& added) {
    std::vector<TypedColumn> typed;
    int rowGuidColumns = 0;
    if (table) {
        auto existing = m_catalog.db().prepare(
            "SELECT name, xtype, xusertype, length, prec, scale, xprec, xscale, typestat, "
            "collation FROM syscolumns WHERE id = ? AND iscomputed = 0");
        existing.bind(1, table->id);
        while (existing.step()) {
            ColumnTypeValues values;
            values.xtype = static_cast<int>(existing.integer(1));
            values.xusertype = static_cast<int>(existing.integer(2));
            values.length = static_cast<int>(existing.integer(3));
            if (!existing.isNull(4))
                values.prec = static_cast<int>(existing.integer(4));
            if (!existing.isNull(5))
                values.scale = static_cast<int>(existing.integer(5));
            values.xprec = static_cast<int>(existing.integer(6));
            values.xscale = static_cast<int>(existing.integer(7));
            values.typestat = static_cast<int>(existing.integer(8));
            values.character = !existing.isNull(9);
            std::optional<std::string> collation;
            if (!existing.isNull(9))
                collation = existing.text(9);
            typed.push_back({existing.text(0), values, collation});
        }
        rowGuidColumns = static_cast<int>(
            m_catalog.db()
                .queryInteger("SELECT count(*) FROM testserver_rowguidcol WHERE id = " +
                              std::to_string(table->id))
                .value_or(0));
    }
    for (const ResolvedColumn& column : added)
        if (!column.computed)
            typed.push_back({column.name, column.values, column.collation});
    for (ResolvedColumn& column : added) {
        if (column.rowGuidCol) {
            if (column.computed || column.values.xtype != 36)
                throw messages::notSupported("ROWGUIDCOL on a column that is not "
                                             "uniqueidentifier");
            if (++rowGuidColumns > 1)
                throw ServerError(
                    messages::make(8196, 16, "Duplicate column specified as ROWGUIDCOL."));
        }
        if (!column.computed)
            continue;
        ComputedColumnType type = computedColumnType(*column.computed, typed);
        column.values = type.values;
        column.collation = type.collation;
        const BuiltinType* builtin = nullptr;
        for (const BuiltinType& candidate : builtinTypes())
            if (candidate.xtype == column.values.xtype &&
                candidate.xusertype == column.values.xusertype)
                builtin = &candidate;
        column.typeName = builtin ? std::string(builtin->name) : std::string();
    }
}

void DdlExecutor::execute(const CreateTable& statement) {
    CatalogTransaction transaction(m_catalog.db());
    const long long schemaId = m_catalog.schemaForNew(statement.table);
    const std::string& name = statement.table.name;
    if (m_catalog.findInSchema(schemaId, name))
        throw messages::objectExists(name);
    const TableElements& elements = statement.elements;

    int primaryKeys = 0;
    for (const KeyConstraint& key : elements.keys)
        if (key.primary)
            ++primaryKeys;
    if (primaryKeys > 1)
        throw messages::multiplePrimaryKeys(name);

    std::vector<ResolvedColumn> columns;
    int identities = 0;
    for (std::size_t i = 0; i < elements.columns.size(); ++i) {
        const ColumnDefinition& column = elements.columns[i];
        for (std::size_t j = 0; j < i; ++j)
            if (namesEqual(elements.columns[j].name, column.name))
                throw messages::duplicateColumn(column.name, name);
        bool inPrimaryKey = false;
        for (const KeyConstraint& key : elements.keys)
            if (key.primary)
                for (const std::string& keyColumn : key.columns)
                    inPrimaryKey = inPrimaryKey || namesEqual(keyColumn, column.name);
        columns.push_back(resolveColumn(column, static_cast<int>(i + 1), inPrimaryKey, name));
        if (column.identity && ++identities > 1)
            throw messages::secondIdentity(name);
    }
    completeColumns(nullptr, columns);

    const ObjectRow table{m_catalog.newObjectId(), name, std::string(1, 'U'), 0, 0, 0, schemaId};
    m_catalog.insertObject(schemaId, table.name, table.id, "U");
    for (std::size_t i = 0; i < columns.size(); ++i)
        insertNewColumn(table.id, static_cast<int>(i + 1), columns[i]);
    m_catalog.setHeapRow(table.id, true);
    addConstraints(table, elements, true, false);
    transaction.commit();
}

void DdlExecutor::execute(const AlterTableAdd& statement) {
    CatalogTransaction transaction(m_catalog.db());
    std::optional<ObjectRow> table = m_catalog.findTable(statement.table);
    if (!table)
        throw messages::alterMissingTable(statement.table.name, m_catalog.databaseName());
    std::vector<ColumnRow> existing = m_catalog.columns(table->id);
    int colid = 0;
    bool hasIdentity = false;
    for (const ColumnRow& column : existing) {
        colid = std::max(colid, column.colid);
        hasIdentity = hasIdentity || column.identity;
    }
    const TableElements& elements = statement.elements;
    std::vector<ResolvedColumn> added;
    for (std::size_t i = 0; i < elements.columns.size(); ++i) {
        const ColumnDefinition& column = elements.columns[i];
        for (const ColumnRow& row : existing)
            if (namesEqual(row.name, column.name))
                throw messages::columnAlreadyInTable(column.name, table->name);
        for (std::size_t j = 0; j < i; ++j)
            if (namesEqual(elements.columns[j].name, column.name))
                throw messages::columnAlreadyInTable(column.name, table->name);
        bool inPrimaryKey = false;
        for (const KeyConstraint& key : elements.keys)
            if (key.primary)
                for (const std::string& keyColumn : key.columns)
                    inPrimaryKey = inPrimaryKey || namesEqual(keyColumn, column.name);
        ResolvedColumn resolved = resolveColumn(column, static_cast<int>(existing.size() + i + 1),
                                                inPrimaryKey, table->name);
        if (resolved.identity) {
            if (hasIdentity)
                throw messages::secondIdentity(table->name);
            hasIdentity = true;
        }
        bool hasDefault = std::any_of(
            elements.defaults.begin(), elements.defaults.end(),
            [&](const DefaultDefinition& d) { return namesEqual(d.column, column.name); });
        if (!resolved.nullable && !resolved.identity && !hasDefault && resolved.values.xtype != 189)
            throw ServerError(messages::make(
                4901, 16,
                "ALTER TABLE only allows columns to be added that can contain nulls or have a "
                "DEFAULT definition specified. Column '" +
                    column.name + "' cannot be added to table '" + table->name +
                    "' because it does not allow nulls and does not specify a DEFAULT "
                    "definition."));
        added.push_back(std::move(resolved));
    }
    completeColumns(&*table, added);
    for (const ResolvedColumn& column : added)
        insertNewColumn(table->id, ++colid, column);
    addConstraints(*table, elements, false, statement.noCheck);
    transaction.commit();
}

void DdlExecutor::execute(const AlterColumn& statement) {
    CatalogTransaction transaction(m_catalog.db());
    std::optional<ObjectRow> table = m_catalog.findTable(statement.table);
    if (!table)
        throw messages::alterMissingTable(statement.table.name, m_catalog.databaseName());
    std::optional<ColumnRow> column = m_catalog.findColumn(table->id, statement.column.name);
    if (!column)
        throw messages::alterMissingColumn(statement.column.name, table->name);
    bool computed =
        m_catalog.db().queryInteger(
            "SELECT iscomputed FROM syscolumns WHERE id = " + std::to_string(table->id) +
            " AND colid = " + std::to_string(column->colid)) == 1LL;
    if (isLargeObject(column->xtype) || column->xtype == 189 || computed)
        throw ServerError(
            messages::make(4928, 16,
                           "Cannot alter column '" + column->name + "' because it is '" +
                               (computed ? "COMPUTED" : typeNameOf(column->xtype)) + "'."));
    ResolvedColumn resolved = resolveColumn(statement.column, column->colid, false, table->name);
    resolved.name = column->name;
    // The column keeps its identity property; SQL Server 2000 keeps it too.
    resolved.identity = column->identity;
    if (column->identity) {
        if (!resolved.values.identityAllowed)
            throw messages::identityType(column->name);
        resolved.nullable = false;
    }
    checkDependents(*table, *column, false, &resolved);

    auto remove = m_catalog.db().prepare("DELETE FROM syscolumns WHERE id = ? AND colid = ?");
    remove.bind(1, table->id).bind(2, column->colid).run();
    insertColumn(table->id, column->colid, resolved);
    auto keepDefault =
        m_catalog.db().prepare("UPDATE syscolumns SET cdefault = ? WHERE id = ? AND colid = ?");
    keepDefault.bind(1, column->cdefault).bind(2, table->id).bind(3, column->colid).run();
    transaction.commit();
}

void DdlExecutor::execute(const DropColumns& statement) {
    CatalogTransaction transaction(m_catalog.db());
    std::optional<ObjectRow> table = m_catalog.findTable(statement.table);
    if (!table)
        throw messages::alterMissingTable(statement.table.name, m_catalog.databaseName());
    for (const std::string& name : statement.columns) {
        std::optional<ColumnRow> column = m_catalog.findColumn(table->id, name);
        if (!column)
            throw messages::dropMissingColumn(name, table->name);
        checkDependents(*table, *column, true, nullptr);
        if (m_catalog.columns(table->id).size() == 1)
            throw messages::onlyColumn(column->name, table->name);
        m_catalog.deleteColumn(table->id, column->colid);
    }
    transaction.commit();
}

void DdlExecutor::dropTable(const ObjectRow& table) {
    for (const ForeignKeyRow& key : m_catalog.foreignKeysReferencing(table.id))
        if (key.table != table.id)
            throw ServerError(messages::make(3726, 16,
                                             "Could not drop object '" + table.name +
                                                 "' because it is referenced by a FOREIGN KEY "
                                                 "constraint."));
    for (const ObjectRow& child : m_catalog.childObjects(table.id))
        m_catalog.deleteObject(child.id);
    for (const char* sql :
         {"DELETE FROM sysindexkeys WHERE id = ?", "DELETE FROM sysindexes WHERE id = ?",
          "DELETE FROM syscolumns WHERE id = ?", "DELETE FROM testserver_identity WHERE id = ?",
          "DELETE FROM testserver_rowguidcol WHERE id = ?",
          "DELETE FROM testserver_descending_keys WHERE id = ?",
          "DELETE FROM testserver_included_columns WHERE id = ?",
          "DELETE FROM testserver_index_filters WHERE id = ?"}) {
        auto statement = m_catalog.db().prepare(sql);
        statement.bind(1, table.id).run();
    }
    m_catalog.deleteObject(table.id);
}

} // namespace testserver
