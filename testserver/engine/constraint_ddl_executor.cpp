// PRIMARY KEY, UNIQUE and DEFAULT constraints: adding, dropping any
// constraint, and the dependency check that protects constrained columns.

#include "testserver/engine/ddl_executor.h"

#include "testserver/engine/name_collation.h"
#include "testserver/engine/server_error.h"

#include "testserver/engine/lexer.h"

#include <algorithm>
#include <cstdio>

namespace testserver {

namespace {

ServerError withCouldNotCreate(const ServerError& error) {
    std::vector<ServerMessage> list = error.messages();
    list.push_back(
        messages::make(1750, 16, "Could not create constraint. See previous errors.", 0));
    return ServerError(std::move(list), false);
}

std::string prefixOf(std::string_view text, std::size_t characters) {
    // Cut at a character boundary of the UTF-8 text.
    std::size_t count = 0;
    std::size_t i = 0;
    while (i < text.size() && count < characters) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        std::size_t length = c < 0x80 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        i += length;
        ++count;
    }
    return std::string(text.substr(0, std::min(i, text.size())));
}

} // namespace

std::string DdlExecutor::systemName(std::string_view prefix, std::string_view table,
                                    std::string_view column, long long id) const {
    // SQL Server names unnamed constraints after their kind, table (and
    // column) and object id: PK__Emp__7C8480AE, DF__Emp__Age__7D78A4E7.
    char hex[16];
    std::snprintf(hex, sizeof hex, "%08llX", id & 0xFFFFFFFFLL);
    std::string name = std::string(prefix) + "__" +
                       prefixOf(withoutTrailingBlanks(table), column.empty() ? 16 : 9) + "__";
    if (!column.empty())
        name += prefixOf(column, 5) + "__";
    return name + hex;
}

void DdlExecutor::addKeyConstraint(const ObjectRow& table, const KeyConstraint& key,
                                   bool inCreate) {
    std::vector<ObjectRow> children = m_catalog.childObjects(table.id);
    if (key.primary)
        for (const ObjectRow& child : children)
            if (child.xtype == "PK") {
                if (inCreate)
                    throw messages::multiplePrimaryKeys(table.name);
                throw withCouldNotCreate(ServerError(messages::make(
                    1779, 16,
                    "Table '" + table.name + "' already has a primary key defined on it.")));
            }
    std::vector<int> colids;
    for (const std::string& name : key.columns) {
        std::optional<ColumnRow> column = m_catalog.findColumn(table.id, name);
        if (!column)
            throw withCouldNotCreate(messages::indexColumnMissing(name));
        if (key.primary && column->nullable)
            throw messages::nullablePrimaryKey(table.name);
        colids.push_back(column->colid);
    }
    std::vector<IndexRow> indexes = m_catalog.indexes(table.id);
    const IndexRow* clusteredIndex = nullptr;
    for (const IndexRow& index : indexes)
        if (index.indid == 1)
            clusteredIndex = &index;
    bool clustered = key.clustered.value_or(key.primary && !clusteredIndex);
    if (clustered && clusteredIndex)
        throw withCouldNotCreate(messages::secondClustered(table.name, clusteredIndex->name));

    long long id = m_catalog.newObjectId();
    std::string name =
        key.name ? *key.name : systemName(key.primary ? "PK" : "UQ", table.name, "", id);
    if (m_catalog.findInSchema(table.schemaId, name))
        throw withCouldNotCreate(messages::objectExists(name));
    for (const IndexRow& index : indexes)
        if (namesEqual(index.name, name))
            throw withCouldNotCreate(messages::indexExists(table.name, name));

    m_catalog.insertObject(table.schemaId, name, id, key.primary ? "PK" : "UQ", table.id);
    int colid = key.columnLevel ? colids.front() : 0;
    m_catalog.insertConstraint(
        id, table.id, colid,
        (key.primary ? constraintstatus::kPrimaryKey : constraintstatus::kUnique) |
            (colid ? constraintstatus::kColumnLevel : constraintstatus::kTableLevel));
    long long status = indexstatus::kUnique |
                       (key.primary ? indexstatus::kPrimaryKey : indexstatus::kUniqueConstraint) |
                       (clustered ? indexstatus::kClustered : 0);
    int indid = clustered ? 1 : m_catalog.freeIndexId(table.id);
    m_catalog.insertIndex(table.id, indid, name, status, colids, key.descending, key.fillFactor);
    if (clustered)
        m_catalog.setHeapRow(table.id, false);
}

namespace {

// SQL Server 2005 and later keep a numeric constant of a default in
// parentheses of its own inside the definition's: "(0)" is kept as "((0))".
std::string normalisedDefaultText(const std::string& stored) {
    if (stored.size() < 3 || stored.front() != '(' || stored.back() != ')')
        return stored;
    const std::string inner = stored.substr(1, stored.size() - 2);
    std::size_t i = inner.empty() || (inner[0] != '-' && inner[0] != '+') ? 0 : 1;
    bool digits = false;
    bool point = false;
    for (; i < inner.size(); ++i) {
        if (inner[i] >= '0' && inner[i] <= '9')
            digits = true;
        else if (inner[i] == '.' && !point)
            point = true;
        else
            return stored;
    }
    return digits ? "(" + stored + ")" : stored;
}

} // namespace

void DdlExecutor::addDefault(const ObjectRow& table, const DefaultDefinition& definition) {
    std::optional<ColumnRow> column = m_catalog.findColumn(table.id, definition.column);
    if (!column)
        throw withCouldNotCreate(ServerError(messages::make(
            1752, 16,
            "Could not create DEFAULT for column '" + definition.column +
                "' as it is not a valid column in the table '" + table.name + "'.")));
    if (column->identity)
        throw withCouldNotCreate(ServerError(messages::make(
            1754, 16,
            "Defaults cannot be created on columns with an IDENTITY attribute. Table '" +
                table.name + "', column '" + column->name + "'.")));
    if (column->cdefault != 0)
        throw messages::defaultExists(column->name, table.name);
    long long id = m_catalog.newObjectId();
    std::string name =
        definition.name ? *definition.name : systemName("DF", table.name, column->name, id);
    if (m_catalog.findInSchema(table.schemaId, name))
        throw withCouldNotCreate(messages::objectExists(name));
    m_catalog.insertObject(table.schemaId, name, id, "D", table.id, column->colid);
    m_catalog.insertComments(
        id, m_serverYear >= 2005 ? normalisedDefaultText(definition.text) : definition.text, false);
    m_catalog.insertConstraint(id, table.id, column->colid,
                               constraintstatus::kDefault | constraintstatus::kColumnLevel);
    auto bind =
        m_catalog.db().prepare("UPDATE syscolumns SET cdefault = ? WHERE id = ? AND colid = ?");
    bind.bind(1, id).bind(2, table.id).bind(3, column->colid).run();
}

void DdlExecutor::checkDependents(const ObjectRow& table, const ColumnRow& column, bool drop,
                                  const ResolvedColumn* alteredTo) {
    std::vector<ServerMessage> found;
    auto dependent = [&](std::string_view kind, const std::string& name) {
        found.push_back(
            messages::dependentColumn(kind, name, column.name, drop).messages().front());
    };
    // SQL Server lets an indexed varchar/nvarchar/varbinary column grow when
    // neither its type nor its collation changes.
    bool sameType = alteredTo && alteredTo->values.xtype == column.xtype;
    bool growsVariable =
        sameType && (column.xtype == 167 || column.xtype == 231 || column.xtype == 165) &&
        alteredTo->values.length >= column.length && alteredTo->collation == column.collation;
    for (const IndexRow& index : m_catalog.indexes(table.id)) {
        bool uses = false;
        for (int colid : index.colids)
            uses = uses || colid == column.colid;
        if (!uses)
            continue;
        if (index.status & indexstatus::kPrimaryKey) {
            dependent("object", index.name);
        } else if (index.status & indexstatus::kUniqueConstraint) {
            if (drop || !growsVariable)
                dependent("object", index.name);
        } else if (index.status & indexstatus::kStatisticsBit) {
            if (drop || !growsVariable)
                dependent("statistics", index.name);
        } else if (drop || !growsVariable) {
            dependent("index", index.name);
        }
    }
    for (const ObjectRow& child : m_catalog.childObjects(table.id)) {
        if (child.xtype == "C" && (child.info == column.colid || checkUses(child.id, column.name)))
            dependent("object", child.name);
    }
    auto computed = m_catalog.db().prepare(
        "SELECT colid, name FROM syscolumns WHERE id = ? AND iscomputed = 1 AND colid <> ?");
    computed.bind(1, table.id).bind(2, column.colid);
    while (computed.step())
        if (checkUses(table.id, column.name, static_cast<int>(computed.integer(0))))
            dependent("column", computed.text(1));
    for (const ForeignKeyRow& key : m_catalog.foreignKeysOf(table.id))
        for (auto [fkey, rkey] : key.columns)
            if (fkey == column.colid) {
                dependent("object", key.name);
                break;
            }
    if (column.cdefault != 0 && (drop || !sameType)) {
        auto name = m_catalog.db().prepare("SELECT name FROM sysobjects WHERE id = ?");
        name.bind(1, column.cdefault);
        if (name.step())
            dependent("object", name.text(0));
    }
    if (found.empty())
        return;
    found.push_back(messages::dependentColumn("", "", column.name, drop).messages().back());
    throw ServerError(std::move(found), false);
}

bool DdlExecutor::checkUses(long long checkId, std::string_view column, int number) {
    auto text = m_catalog.db().prepare(
        "SELECT text FROM syscomments WHERE id = ? AND number = ? ORDER BY colid");
    text.bind(1, checkId).bind(2, number);
    std::string expression;
    while (text.step())
        expression += text.text(0);
    std::vector<Token> tokens;
    try {
        tokens = tokenize(expression);
    } catch (const ServerError&) {
        return false;
    }
    for (const Token& token : tokens)
        if (token.isName() && namesEqual(token.value, column))
            return true;
    return false;
}

void DdlExecutor::dropConstraint(const ObjectRow& table, const ObjectRow& constraint) {
    if (constraint.xtype == "PK" || constraint.xtype == "UQ") {
        std::vector<ServerMessage> refused;
        for (const IndexRow& index : m_catalog.indexes(table.id)) {
            std::optional<ForeignKeyRow> key = foreignKeyUsing(table.id, index);
            if (!namesEqual(index.name, constraint.name) || !key)
                continue;
            auto owner = m_catalog.db().prepare("SELECT name FROM sysobjects WHERE id = ?");
            owner.bind(1, key->table);
            refused.push_back(messages::make(3725, 16,
                                             "The constraint '" + constraint.name +
                                                 "' is being referenced by table '" +
                                                 (owner.step() ? owner.text(0) : std::string()) +
                                                 "', foreign key constraint '" + key->name + "'."));
        }
        if (!refused.empty()) {
            refused.push_back(
                messages::make(3727, 16, "Could not drop constraint. See previous errors.", 0));
            throw ServerError(std::move(refused), false);
        }
    }
    if (constraint.xtype == "D") {
        auto unbind = m_catalog.db().prepare(
            "UPDATE syscolumns SET cdefault = 0 WHERE id = ? AND cdefault = ?");
        unbind.bind(1, table.id).bind(2, constraint.id).run();
    } else if (constraint.xtype == "PK" || constraint.xtype == "UQ") {
        for (const IndexRow& index : m_catalog.indexes(table.id)) {
            if (!namesEqual(index.name, constraint.name))
                continue;
            m_catalog.deleteIndex(table.id, index.indid);
            if (index.indid == 1)
                m_catalog.setHeapRow(table.id, true);
        }
    }
    m_catalog.deleteObject(constraint.id);
}

void DdlExecutor::execute(const DropConstraints& statement) {
    CatalogTransaction transaction(m_catalog.db());
    std::optional<ObjectRow> table = m_catalog.findTable(statement.table);
    if (!table)
        throw messages::alterMissingTable(statement.table.name, m_catalog.databaseName());
    for (const std::string& name : statement.names) {
        std::optional<ObjectRow> constraint;
        for (const ObjectRow& child : m_catalog.childObjects(table->id))
            if (namesEqual(child.name, name) &&
                (child.xtype == "D" || child.xtype == "PK" || child.xtype == "UQ" ||
                 child.xtype == "C" || child.xtype == "F"))
                constraint = child;
        if (!constraint)
            throw messages::notAConstraint(name);
        dropConstraint(*table, *constraint);
    }
    transaction.commit();
}

} // namespace testserver
