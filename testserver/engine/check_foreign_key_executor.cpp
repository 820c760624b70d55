// CHECK and FOREIGN KEY constraints: adding them, and enabling or disabling
// them with ALTER TABLE ... CHECK|NOCHECK CONSTRAINT.

#include "testserver/engine/ddl_executor.h"

#include "testserver/engine/name_collation.h"
#include "testserver/engine/server_error.h"

#include <algorithm>

namespace testserver {

namespace {

ServerError couldNotCreate(ServerMessage message) {
    return ServerError({std::move(message), messages::make(1750, 16,
                                                           "Could not create constraint. See "
                                                           "previous errors.",
                                                           0)},
                       false);
}

} // namespace

void DdlExecutor::addConstraints(const ObjectRow& table, const TableElements& elements,
                                 bool inCreate, bool noCheck) {
    for (const KeyConstraint& key : elements.keys)
        addKeyConstraint(table, key, inCreate);
    for (const DefaultDefinition& definition : elements.defaults)
        addDefault(table, definition);
    for (const CheckConstraint& check : elements.checks)
        addCheck(table, check, noCheck);
    for (const ForeignKeyConstraint& key : elements.foreignKeys)
        addForeignKey(table, key, noCheck);
}

void DdlExecutor::addCheck(const ObjectRow& table, const CheckConstraint& check, bool noCheck) {
    std::vector<ColumnRow> columns = m_catalog.columns(table.id);
    int colid = 0;
    if (!check.column.empty()) {
        for (const ColumnRow& column : columns)
            if (namesEqual(column.name, check.column))
                colid = column.colid;
        // A column's own CHECK may name no other column of the table.
        for (const std::string& name : check.names)
            for (const ColumnRow& column : columns)
                if (namesEqual(column.name, name) && column.colid != colid)
                    throw couldNotCreate(messages::make(
                        8141, 16,
                        "Column CHECK constraint for column '" + check.column +
                            "' references another column, table '" + table.name + "'."));
    }
    long long id = m_catalog.newObjectId();
    std::string name = check.name ? *check.name : systemName("CK", table.name, check.column, id);
    if (m_catalog.findInSchema(table.schemaId, name))
        throw couldNotCreate(messages::objectExists(name).messages().front());
    m_catalog.insertObject(table.schemaId, name, id, "C", table.id, colid,
                           (noCheck ? cnststatus::kNotTrusted : 0) |
                               (check.notForReplication ? cnststatus::kNotForReplication : 0));
    m_catalog.insertComments(id, check.text, false);
    m_catalog.insertConstraint(id, table.id, colid,
                               constraintstatus::kCheck | (colid ? constraintstatus::kColumnLevel
                                                                 : constraintstatus::kTableLevel));
}

void DdlExecutor::addForeignKey(const ObjectRow& table, const ForeignKeyConstraint& key,
                                bool noCheck) {
    long long id = m_catalog.newObjectId();
    std::string firstColumn = key.columns.empty() ? std::string() : key.columns.front();
    std::string name = key.name ? *key.name : systemName("FK", table.name, firstColumn, id);
    std::optional<ObjectRow> referenced = m_catalog.findTable(key.referencedTable);
    if (!referenced && !key.referencedTable.qualified() &&
        namesEqual(key.referencedTable.name, table.name))
        referenced = table;
    if (!referenced)
        throw couldNotCreate(messages::make(1767, 16,
                                            "Foreign key '" + name +
                                                "' references invalid table '" +
                                                key.referencedTable.name + "'."));
    ForeignKeyRow row;
    row.id = id;
    row.name = name;
    row.table = table.id;
    row.referenced = referenced->id;
    std::vector<ColumnRow> referencing;
    for (const std::string& column : key.columns) {
        std::optional<ColumnRow> found = m_catalog.findColumn(table.id, column);
        if (!found)
            throw couldNotCreate(
                messages::make(1769, 16,
                               "Foreign key '" + name + "' references invalid column '" + column +
                                   "' in referencing table '" + table.name + "'."));
        referencing.push_back(*found);
    }
    // The referenced columns: as written, or the referenced table's primary
    // key. They must be those of a PRIMARY KEY, a UNIQUE constraint or a
    // unique index.
    std::vector<IndexRow> keys;
    for (const IndexRow& index : m_catalog.indexes(referenced->id))
        if ((index.status & indexstatus::kUnique) && !(index.status & indexstatus::kStatisticsBit))
            keys.push_back(index);
    std::vector<int> referencedColids;
    if (key.referencedColumns.empty()) {
        for (const IndexRow& index : keys)
            if (index.status & indexstatus::kPrimaryKey)
                referencedColids = index.colids;
    } else {
        for (const std::string& column : key.referencedColumns) {
            std::optional<ColumnRow> found = m_catalog.findColumn(referenced->id, column);
            if (!found)
                throw couldNotCreate(messages::make(
                    1770, 16,
                    "Foreign key '" + name + "' references invalid column '" + column +
                        "' in referenced table '" + referenced->name + "'."));
            referencedColids.push_back(found->colid);
        }
    }
    if (!referencedColids.empty() && referencedColids.size() != referencing.size())
        throw couldNotCreate(messages::make(8139, 16,
                                            "Number of referencing columns in foreign key "
                                            "differs from number of referenced columns, table '" +
                                                table.name + "'."));
    bool matchesKey = false;
    for (const IndexRow& index : keys) {
        // A key matches when it has the same columns, in any order.
        std::vector<int> a = index.colids;
        std::vector<int> b = referencedColids;
        std::sort(a.begin(), a.end());
        std::sort(b.begin(), b.end());
        matchesKey = matchesKey || (!b.empty() && a == b);
    }
    if (!matchesKey)
        throw couldNotCreate(messages::make(
            1776, 16,
            "There are no primary or unique constraints in the referenced table '" +
                referenced->name + "' that match the referencing column list in the foreign key '" +
                name + "'."));
    std::vector<ColumnRow> referencedColumns = m_catalog.columns(referenced->id);
    for (std::size_t i = 0; i < referencing.size(); ++i) {
        const ColumnRow* target = nullptr;
        for (const ColumnRow& column : referencedColumns)
            if (column.colid == referencedColids[i])
                target = &column;
        if (!target || target->xtype != referencing[i].xtype ||
            target->length != referencing[i].length || target->scale != referencing[i].scale)
            throw couldNotCreate(messages::make(
                1778, 16,
                "Column '" + referenced->name + "." + (target ? target->name : std::string()) +
                    "' is not the same data type as referencing column '" + table.name + "." +
                    referencing[i].name + "' in foreign key '" + name + "'."));
        row.columns.emplace_back(referencing[i].colid, referencedColids[i]);
    }
    if (m_catalog.findInSchema(table.schemaId, name))
        throw couldNotCreate(messages::objectExists(name).messages().front());

    int colid = key.columnLevel ? referencing.front().colid : 0;
    m_catalog.insertObject(table.schemaId, name, id, "F", table.id, 0,
                           (noCheck ? cnststatus::kNotTrusted : 0) |
                               (key.notForReplication ? cnststatus::kNotForReplication : 0));
    m_catalog.insertConstraint(
        id, table.id, colid,
        constraintstatus::kForeignKey |
            (colid ? constraintstatus::kColumnLevel : constraintstatus::kTableLevel),
        (key.deleteCascade ? cnststatus::kDeleteCascade : 0) |
            (key.updateCascade ? cnststatus::kUpdateCascade : 0));
    m_catalog.insertForeignKey(row);
}

void DdlExecutor::execute(const SetConstraintsEnabled& statement) {
    CatalogTransaction transaction(m_catalog.db());
    std::optional<ObjectRow> table = m_catalog.findTable(statement.table);
    if (!table)
        throw messages::alterMissingTable(statement.table.name, m_catalog.databaseName());
    std::vector<ObjectRow> targets;
    std::vector<ObjectRow> children = m_catalog.childObjects(table->id);
    if (statement.names.empty()) {
        for (const ObjectRow& child : children)
            if (child.xtype == "C" || child.xtype == "F")
                targets.push_back(child);
    }
    for (const std::string& name : statement.names) {
        const ObjectRow* found = nullptr;
        for (const ObjectRow& child : children)
            if (namesEqual(child.name, name))
                found = &child;
        if (!found)
            throw ServerError(
                messages::make(4917, 16, "Constraint '" + name + "' does not exist."));
        if (found->xtype != "C" && found->xtype != "F")
            throw ServerError(messages::make(11415, 16,
                                             "Object '" + found->name +
                                                 "' cannot be disabled or enabled. This action "
                                                 "applies only to foreign key and check "
                                                 "constraints."));
        targets.push_back(*found);
    }
    for (const ObjectRow& constraint : targets) {
        long long status = constraint.status;
        if (statement.enable) {
            status &= ~cnststatus::kDisabled;
            if (statement.withCheck)
                status &= ~cnststatus::kNotTrusted;
        } else {
            status |= cnststatus::kDisabled | cnststatus::kNotTrusted;
        }
        m_catalog.setObjectStatus(constraint.id, status);
    }
    transaction.commit();
}

} // namespace testserver
