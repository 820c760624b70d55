// sp_bindefault, sp_bindrule, sp_unbindefault and sp_unbindrule: defaults and
// rules made by CREATE DEFAULT / CREATE RULE, bound to a column
// (syscolumns.cdefault / domain) or to an alias type (systypes.tdefault /
// domain).

#include "testserver/engine/ddl_executor.h"

#include "testserver/engine/help_text.h"
#include "testserver/engine/name_collation.h"
#include "testserver/engine/server_error.h"

namespace testserver {

void DdlExecutor::execute(const BindObject& statement) {
    CatalogTransaction transaction(m_catalog.db());
    const char* noun = statement.rule ? "rule" : "default";
    long long objectId = 0;
    if (!statement.unbind) {
        std::optional<ObjectRow> object = m_catalog.findObject(objectNameOfText(statement.object));
        if (!object || object->xtype != (statement.rule ? "R" : "D") || object->parent != 0)
            throw ServerError(messages::make(statement.rule ? 15017 : 15016, 16,
                                             "The " + std::string(noun) + " '" + statement.object +
                                                 "' does not exist."));
        objectId = object->id;
    }
    const char* columnField = statement.rule ? "domain" : "cdefault";
    const char* typeField = statement.rule ? "domain" : "tdefault";
    std::size_t dot = statement.target.rfind('.');
    if (dot == std::string::npos) {
        std::optional<AliasTypeRow> alias = m_catalog.findAliasType(statement.target);
        if (!alias)
            throw ServerError(
                messages::make(15148, 16,
                               "The data type or table name '" + statement.target +
                                   "' does not exist or you do not have permission."));
        auto update = m_catalog.db().prepare(std::string("UPDATE systypes SET ") + typeField +
                                             " = ? WHERE xusertype = ?");
        update.bind(1, objectId).bind(2, alias->xusertype).run();
        transaction.commit();
        return;
    }
    ObjectName tableName = objectNameOfText(statement.target.substr(0, dot));
    std::string columnName = objectPartOfName(statement.target.substr(dot + 1));
    std::optional<ObjectRow> table = m_catalog.findTable(tableName);
    std::optional<ColumnRow> column;
    if (table)
        column = m_catalog.findColumn(table->id, columnName);
    if (!column)
        throw ServerError(messages::make(15148, 16,
                                         "The data type or table name '" + statement.target +
                                             "' does not exist or you do not have permission."));
    if (!statement.rule && !statement.unbind && column->cdefault != 0)
        throw ServerError(messages::make(1781, 16, "Column already has a DEFAULT bound to it."));
    if (!statement.rule && statement.unbind && column->cdefault != 0) {
        std::optional<ObjectRow> bound;
        for (const ObjectRow& child : m_catalog.childObjects(table->id))
            if (child.id == column->cdefault)
                bound = child;
        if (bound) // a DEFAULT constraint is dropped with ALTER TABLE, not unbound
            throw ServerError(
                messages::make(15049, 11, "Cannot unbind from a default constraint."));
    }
    auto update = m_catalog.db().prepare(std::string("UPDATE syscolumns SET ") + columnField +
                                         " = ? WHERE id = ? AND colid = ?");
    update.bind(1, objectId).bind(2, table->id).bind(3, column->colid).run();
    transaction.commit();
}

} // namespace testserver
