// sp_addextendedproperty, sp_updateextendedproperty and
// sp_dropextendedproperty on sysproperties.

#include "testserver/engine/ddl_executor.h"

#include "testserver/engine/extended_property_levels.h"

#include "testserver/engine/name_collation.h"
#include "testserver/engine/server_error.h"

namespace testserver {

namespace {

// sysproperties.type: 3 an object, 4 a column of a table, 5 an index.
constexpr int kObjectProperty = 3;
constexpr int kColumnProperty = 4;
constexpr int kIndexProperty = 5;

struct PropertyTarget {
    long long id = 0;
    int smallid = 0;
    int type = kObjectProperty;
    std::string label; // owner.object[.sub], as the messages name it
};

ServerError invalidTarget(const std::string& name) {
    return ServerError(messages::make(15135, 16,
                                      "Object is invalid. Extended properties are not permitted "
                                      "on '" +
                                          name + "', or the object does not exist."));
}

// Whether the object is of the kind a level-1 type names; a default is one
// made by CREATE DEFAULT, not a DEFAULT constraint.
bool levelOneMatches(const std::string& type, const ObjectRow& object) {
    const LevelOneType* level = findLevelOneType(type);
    return level && level->xtypes.find(" " + object.xtype + " ") != std::string_view::npos &&
           !(object.xtype == "D" && object.parent != 0);
}

} // namespace

void DdlExecutor::execute(const ExtendedPropertyCall& statement) {
    CatalogTransaction transaction(m_catalog.db());
    const auto& levels = statement.levels;
    if (levels.empty())
        throw messages::notSupported("extended properties of the database");
    if (levels[0].first == "type")
        throw messages::notSupported("extended properties of user-defined types");
    // Level 0 is USER dbo (the test server's only user), or from 2005 on
    // SCHEMA and the schema the object lives in.
    const bool bySchema = levels[0].first == "schema" && m_serverYear >= 2005;
    if (levels[0].first != "user" && !bySchema)
        throw invalidTarget(levels[0].second);
    if (!bySchema && !namesEqual(levels[0].second, "dbo"))
        throw invalidTarget(levels[0].second);
    if (bySchema && !findSchemaId(m_catalog.db().handle(), levels[0].second))
        throw invalidTarget(levels[0].second);
    if (levels.size() == 1)
        throw messages::notSupported(bySchema ? "extended properties of schemas"
                                              : "extended properties of users");

    PropertyTarget target;
    const std::string& objectName = levels[1].second;
    std::optional<ObjectRow> object =
        m_catalog.findObject(ObjectName{bySchema ? levels[0].second : "", objectName});
    if (!object || !levelOneMatches(levels[1].first, *object))
        throw invalidTarget(objectName);
    target.id = object->id;
    target.label = (bySchema ? levels[0].second : std::string("dbo")) + "." + object->name;
    if (levels.size() > 2) {
        const auto& [type, name] = levels[2];
        target.label += "." + name;
        if (type == "column" && object->xtype == "U") {
            std::optional<ColumnRow> column = m_catalog.findColumn(object->id, name);
            if (!column)
                throw invalidTarget(name);
            target.type = kColumnProperty;
            target.smallid = column->colid;
        } else if (type == "column" || type == "parameter") {
            throw messages::notSupported("extended properties of view, function or procedure " +
                                         type + "s");
        } else if (type == "index" && object->xtype == "U") {
            std::optional<IndexRow> found;
            for (const IndexRow& index : m_catalog.indexes(object->id))
                if (namesEqual(index.name, name) &&
                    (index.status & indexstatus::kStatisticsBit) == 0)
                    found = index;
            if (!found)
                throw invalidTarget(name);
            target.type = kIndexProperty;
            target.smallid = found->indid;
        } else if ((type == "constraint" || type == "trigger") &&
                   (object->xtype == "U" || object->xtype == "V")) {
            std::optional<ObjectRow> child = m_catalog.findInSchema(object->schemaId, name);
            bool kindMatches = child && child->parent == object->id &&
                               (type == "trigger" ? child->xtype == "TR" : child->xtype != "TR");
            if (!kindMatches)
                throw invalidTarget(name);
            target.id = child->id;
        } else {
            throw invalidTarget(name);
        }
    }

    auto existing = m_catalog.db().prepare("SELECT count(*) FROM sysproperties WHERE id = ? AND "
                                           "smallid = ? AND type = ? AND name = ?");
    existing.bind(1, target.id)
        .bind(2, target.smallid)
        .bind(3, target.type)
        .bind(4, statement.name);
    bool exists = existing.step() && existing.integer(0) > 0;
    using Action = ExtendedPropertyCall::Action;
    if (statement.action == Action::Add && exists)
        throw ServerError(messages::make(15233, 16,
                                         "Property cannot be added. Property '" + statement.name +
                                             "' already exists for '" + target.label + "'."));
    if (statement.action != Action::Add && !exists)
        throw ServerError(messages::make(15217, 16,
                                         "Property cannot be updated or deleted. Property '" +
                                             statement.name + "' does not exist for '" +
                                             target.label + "'."));
    const char* sql =
        statement.action == Action::Add
            ? "INSERT INTO sysproperties (value, id, smallid, type, name) VALUES (?, ?, ?, ?, ?)"
        : statement.action == Action::Update
            ? "UPDATE sysproperties SET value = ? WHERE id = ? AND smallid = ? AND type = ? AND "
              "name = ?"
            : "DELETE FROM sysproperties WHERE ? IS NULL AND id = ? AND smallid = ? AND "
              "type = ? AND name = ?";
    auto change = m_catalog.db().prepare(sql);
    if (statement.value && statement.action != Action::Drop)
        change.bind(1, *statement.value);
    else
        change.bindNull(1);
    change.bind(2, target.id).bind(3, target.smallid).bind(4, target.type).bind(5, statement.name);
    change.run();
    transaction.commit();
}

} // namespace testserver
