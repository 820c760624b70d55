// sp_rename of a table or other object, a column or an index.

#include "testserver/engine/ddl_executor.h"

#include "testserver/engine/lexer.h"
#include "testserver/engine/name_collation.h"
#include "testserver/engine/server_error.h"
#include "testserver/engine/token_cursor.h"

namespace testserver {

namespace {

ServerError ambiguous(const std::string& type) {
    return ServerError(messages::make(15248, 11,
                                      "Either the parameter @objname is ambiguous or the claimed "
                                      "@objtype (" +
                                          (type.empty() ? std::string("(null)") : type) +
                                          ") is wrong."));
}

ServerError nameInUse(const std::string& name, const std::string& kind) {
    return ServerError(messages::make(15335, 11,
                                      "Error: The new name '" + name + "' is already in use as a " +
                                          kind +
                                          " name and would cause a duplicate that is not "
                                          "permitted."));
}

// The parts of 'owner.table.column' with brackets and quotes removed.
std::vector<std::string> nameParts(const std::string& name) {
    try {
        std::vector<Token> tokens = tokenize(name);
        TokenCursor cursor(name, tokens, 0, tokens.size());
        QualifiedName parts = cursor.qualifiedName();
        cursor.expectEnd();
        return parts.parts;
    } catch (const ServerError&) {
        throw ServerError(
            messages::make(15253, 11, "Syntax error parsing SQL identifier '" + name + "'."));
    }
}

} // namespace

void DdlExecutor::execute(const RenameObject& statement) {
    CatalogTransaction transaction(m_catalog.db());
    std::vector<std::string> parts = nameParts(statement.object);
    const std::string& type = statement.type;
    CatalogDb& db = m_catalog.db();
    if (type.empty() || type == "OBJECT") {
        std::optional<ObjectRow> object = m_catalog.findObject(
            ObjectName{parts.size() >= 2 ? parts[parts.size() - 2] : std::string(), parts.back()});
        if (!object || object->xtype == "S")
            throw ambiguous(type);
        if (m_catalog.findInSchema(object->schemaId, statement.newName))
            throw nameInUse(statement.newName, "OBJECT");
        auto rename = db.prepare("UPDATE sysobjects SET name = ? WHERE id = ?");
        rename.bind(1, statement.newName).bind(2, object->id).run();
        // A table's heap row and a key constraint's index carry the name too.
        auto index = db.prepare("UPDATE sysindexes SET name = ? WHERE (id = ? AND indid = 0) OR "
                                "(id = ? AND name = ? AND (status & 6144) <> 0 AND ? IN ('PK', "
                                "'UQ'))");
        index.bind(1, statement.newName)
            .bind(2, object->id)
            .bind(3, object->parent)
            .bind(4, object->name)
            .bind(5, object->xtype)
            .run();
    } else if (type == "COLUMN" || type == "INDEX") {
        std::optional<ObjectRow> table;
        if (parts.size() >= 2)
            table = m_catalog.findTable(
                ObjectName{parts.size() >= 3 ? parts[parts.size() - 3] : std::string(),
                           parts[parts.size() - 2]});
        if (!table)
            throw ambiguous(type);
        if (type == "COLUMN") {
            std::optional<ColumnRow> column = m_catalog.findColumn(table->id, parts.back());
            if (!column)
                throw ambiguous(type);
            if (m_catalog.findColumn(table->id, statement.newName))
                throw nameInUse(statement.newName, type);
            auto rename = db.prepare("UPDATE syscolumns SET name = ? WHERE id = ? AND colid = ?");
            rename.bind(1, statement.newName).bind(2, table->id).bind(3, column->colid).run();
        } else {
            std::optional<IndexRow> found;
            bool taken = false;
            for (const IndexRow& index : m_catalog.indexes(table->id)) {
                if (namesEqual(index.name, parts.back()))
                    found = index;
                taken = taken || namesEqual(index.name, statement.newName);
            }
            if (!found)
                throw ambiguous(type);
            if (taken)
                throw nameInUse(statement.newName, type);
            auto rename = db.prepare("UPDATE sysindexes SET name = ? WHERE id = ? AND indid = ?");
            rename.bind(1, statement.newName).bind(2, table->id).bind(3, found->indid).run();
            if (found->status & (indexstatus::kPrimaryKey | indexstatus::kUniqueConstraint)) {
                if (m_catalog.findInSchema(table->schemaId, statement.newName))
                    throw nameInUse(statement.newName, "OBJECT");
                auto constraint = db.prepare("UPDATE sysobjects SET name = ? WHERE parent_obj = ? "
                                             "AND name = ? AND xtype IN ('PK', 'UQ')");
                constraint.bind(1, statement.newName).bind(2, table->id).bind(3, found->name).run();
            }
        }
    } else if (type == "DATABASE" || type == "USERDATATYPE") {
        throw messages::notSupported("sp_rename of a " + asciiLower(type));
    } else {
        throw ServerError(
            messages::make(15249, 11, "Error: Explicit @objtype '" + type + "' is unrecognized."));
    }
    transaction.commit();
}

} // namespace testserver
