// CREATE/ALTER PROCEDURE, VIEW, TRIGGER and FUNCTION, and the DROP statements.

#include "testserver/engine/ddl_executor.h"
#include "testserver/engine/function_dependents.h"

#include "testserver/engine/lexer.h"
#include "testserver/engine/module_references.h"
#include "testserver/engine/name_collation.h"
#include "testserver/engine/server_error.h"

namespace testserver {

namespace {

bool isFunctionXtype(const std::string& xtype) {
    return xtype == "FN" || xtype == "IF" || xtype == "TF";
}

struct KindWords {
    const char* xtype;
    const char* noun;      // in "Cannot drop the procedure 'x' ..."
    const char* statement; // "DROP PROCEDURE"
};

KindWords wordsOf(DropKind kind) {
    switch (kind) {
    case DropKind::Procedure:
        return {"P", "procedure", "DROP PROCEDURE"};
    case DropKind::View:
        return {"V", "view", "DROP VIEW"};
    case DropKind::Trigger:
        return {"TR", "trigger", "DROP TRIGGER"};
    case DropKind::Default:
        return {"D", "default", "DROP DEFAULT"};
    case DropKind::Rule:
        return {"R", "rule", "DROP RULE"};
    case DropKind::Function:
        return {"FN", "function", "DROP FUNCTION"};
    case DropKind::Table:
        break;
    }
    return {"U", "table", "DROP TABLE"};
}

// What a DROP statement would have needed for an object of that xtype.
const KindWords* wordsOfXtype(const std::string& xtype) {
    static const KindWords kinds[] = {wordsOf(DropKind::Table),   wordsOf(DropKind::Procedure),
                                      wordsOf(DropKind::View),    wordsOf(DropKind::Trigger),
                                      wordsOf(DropKind::Default), wordsOf(DropKind::Rule),
                                      wordsOf(DropKind::Function)};
    std::string kindXtype = isFunctionXtype(xtype) ? std::string("FN") : xtype;
    for (const KindWords& kind : kinds)
        if (kindXtype == kind.xtype)
            return &kind;
    return nullptr;
}

// A view and an inline function are compiled when they are created, and so
// is any module WITH SCHEMABINDING: the objects they name must exist then.
// Procedures, scalar and multi-statement functions resolve table names when
// they run (deferred name resolution).
bool resolvesNamesOnCreate(const CreateModule& statement, const std::string& xtype) {
    return statement.kind == ModuleKind::View || xtype == "IF" ||
           (statement.kind == ModuleKind::Function && statement.schemaBound);
}

bool isSystemTableName(std::string_view name) {
    return asciiLower(name).starts_with("sys");
}

} // namespace

void DdlExecutor::refuseMissingReferences(const CreateModule& statement, long long schemaId) {
    const NameScope scope = m_catalog.scope();
    // Unqualified names in the body look in the module's own schema first.
    m_catalog.setModuleSchema(schemaId);
    for (const ObjectReference& reference :
         objectsResolvedOnCreate(tokenize(statement.text), scope.schemas)) {
        ObjectName name{reference.schema, reference.name};
        bool self = namesEqual(reference.name, statement.name.name) &&
                    (!name.qualified() || findSchemaId(m_catalog.db().handle(), name.schema) ==
                                              std::optional<long long>(schemaId));
        if (self || isSystemTableName(reference.name))
            continue;
        // x.f(...) where x is no schema is a method call on a column.
        if (reference.call && scope.schemas &&
            !findSchemaId(m_catalog.db().handle(), reference.schema))
            continue;
        if (!m_catalog.findObject(name)) {
            m_catalog.setModuleSchema(kDboSchema);
            throw messages::invalidObjectName(reference.written);
        }
    }
    m_catalog.setModuleSchema(kDboSchema);
}

void DdlExecutor::execute(const CreateModule& statement) {
    CatalogTransaction transaction(m_catalog.db());
    const std::string xtype = statement.kind == ModuleKind::Function
                                  ? statement.functionXtype
                                  : std::string(moduleXtype(statement.kind));
    long long parent = 0;
    long long schemaId = kDboSchema;
    if (statement.kind != ModuleKind::Trigger)
        schemaId = m_catalog.schemaForNew(statement.name);
    if (statement.kind == ModuleKind::Trigger) {
        // A view takes INSTEAD OF triggers only.
        std::optional<ObjectRow> table = m_catalog.findTable(statement.triggerTable);
        std::optional<ObjectRow> target = statement.insteadOf && !table
                                              ? m_catalog.findObject(statement.triggerTable)
                                              : std::nullopt;
        if (table)
            parent = table->id;
        else if (target && target->xtype == "V")
            parent = target->id;
        else
            throw messages::triggerTableMissing(statement.triggerTable.name,
                                                m_catalog.databaseName());
        // A trigger lives in its table's schema.
        schemaId = table ? table->schemaId : target->schemaId;
    }
    std::optional<ObjectRow> existing = statement.alter && statement.kind != ModuleKind::Trigger
                                            ? m_catalog.findObject(statement.name)
                                            : m_catalog.findInSchema(schemaId, statement.name.name);
    if (resolvesNamesOnCreate(statement, xtype))
        refuseMissingReferences(statement, schemaId);
    if (statement.alter) {
        bool sameKind = existing && (existing->xtype == xtype ||
                                     (isFunctionXtype(existing->xtype) && isFunctionXtype(xtype)));
        if (!sameKind)
            throw messages::invalidObjectName(statement.name.name);
        auto comments = m_catalog.db().prepare("DELETE FROM syscomments WHERE id = ?");
        comments.bind(1, existing->id).run();
        if (existing->xtype != xtype) { // ALTER FUNCTION may change the function's kind
            auto retype =
                m_catalog.db().prepare("UPDATE sysobjects SET xtype = ?, type = ? WHERE id = ?");
            retype.bind(1, xtype).bind(2, xtype).bind(3, existing->id).run();
        }
        if (parent) {
            auto move = m_catalog.db().prepare("UPDATE sysobjects SET parent_obj = ? WHERE id = ?");
            move.bind(1, parent).bind(2, existing->id).run();
        }
        m_catalog.insertComments(existing->id, statement.text, statement.encrypted);
        transaction.commit();
        return;
    }
    if (existing)
        throw messages::objectExists(statement.name.name);
    long long id = m_catalog.newObjectId();
    m_catalog.insertObject(schemaId, statement.name.name, id, xtype, parent);
    m_catalog.insertComments(id, statement.text, statement.encrypted);
    transaction.commit();
}

void DdlExecutor::dropModule(DropKind kind, const ObjectName& written) {
    KindWords words = wordsOf(kind);
    std::optional<ObjectRow> object = m_catalog.findObject(written);
    const std::string& name = written.name;
    // A DEFAULT constraint belongs to its table: DROP DEFAULT does not see it.
    if (!object || (object->xtype == "D" && object->parent != 0))
        throw messages::dropMissingObject(words.noun, name);
    bool sameKind = object->xtype == words.xtype ||
                    (kind == DropKind::Function && isFunctionXtype(object->xtype));
    if (!sameKind) {
        const KindWords* actual = wordsOfXtype(object->xtype);
        if (!actual)
            throw messages::dropMissingObject(words.noun, name);
        throw messages::wrongDropKind(words.statement, name, actual->noun, actual->statement);
    }
    if (kind == DropKind::Default || kind == DropKind::Rule) {
        auto bound = m_catalog.db().prepare(
            "SELECT 1 FROM syscolumns WHERE cdefault = ?1 OR domain = ?1 UNION ALL "
            "SELECT 1 FROM systypes WHERE tdefault = ?1 OR domain = ?1");
        bound.bind(1, object->id);
        if (bound.step())
            throw ServerError(messages::make(3716, 16,
                                             "The " + std::string(words.noun) + " '" +
                                                 object->name +
                                                 "' cannot be dropped because it is bound to one "
                                                 "or more column."));
    }
    if (kind == DropKind::Table) {
        dropTable(*object);
        return;
    }
    const std::optional<std::string> bound =
        kind == DropKind::Function ? objectBoundToFunction(m_catalog, *object)
        : kind == DropKind::View   ? objectBoundToView(m_catalog, *object)
                                   : std::nullopt;
    if (bound)
        throw ServerError(messages::make(
            3729, 16,
            "Cannot DROP " + std::string(kind == DropKind::View ? "VIEW" : "FUNCTION") + " '" +
                object->name + "' because it is being referenced by object '" + *bound + "'."));
    for (const ObjectRow& child : m_catalog.childObjects(object->id))
        m_catalog.deleteObject(child.id); // a view's INSTEAD OF triggers
    m_catalog.deleteObject(object->id);
}

void DdlExecutor::execute(const DropObjects& statement) {
    CatalogTransaction transaction(m_catalog.db());
    std::vector<ServerMessage> refused;
    for (const ObjectName& name : statement.names) {
        try {
            dropModule(statement.kind, name);
        } catch (const ServerError& error) {
            for (const ServerMessage& message : error.messages())
                refused.push_back(message);
        }
    }
    transaction.commit();
    if (!refused.empty())
        throw ServerError(std::move(refused), false);
}

} // namespace testserver
