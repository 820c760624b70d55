#include "catalog/catalog_view_reader.h"

#include "catalog/catalog_queries.h"
#include "catalog/name_key.h"
#include "catalog/qualified_field.h"
#include "catalog/server_reader.h"
#include "catalog/view_column_facts.h"
#include "data/object_name.h"

#include <algorithm>
#include <map>

namespace dbc {

namespace {

std::string modulesQuery(const ObjectKind& kind) {
    return std::string(catalog::viewModulesBefore) + kind.typeCondition + catalog::viewModulesAfter;
}

// A bit column as the model keeps flags: "1" or "0".
bool isSet(const std::string& value) {
    return value == "1";
}

} // namespace

std::vector<Table> readViewTables(Connection& server, bool withSourceFacts) {
    const Result rows = server.open(catalog::viewColumns);
    std::vector<Table> tables;
    if (rows.empty())
        return tables;
    const auto name = rows.columnIndex("FieldName");
    const QualifiedField table(rows, "TableName", "SchemaName");
    const auto type = rows.columnIndex("FieldType");
    const auto baseType = rows.columnIndex("BaseType");
    const auto userDefined = rows.columnIndex("IsUserDefined");
    const auto maxLength = rows.columnIndex("MaxLength");
    const auto precision = rows.columnIndex("FieldPrecision");
    const auto scale = rows.columnIndex("FieldScale");
    const auto nullable = rows.columnIndex("IsNullable");
    const auto collation = rows.columnIndex("Collation");
    const auto identity = rows.columnIndex("IsIdentity");
    const auto rowGuid = rows.columnIndex("IsRowGuidCol");
    const auto seed = rows.columnIndex("IdentSeed");
    const auto increment = rows.columnIndex("IdentIncr");
    const auto notForReplication = rows.columnIndex("IdentNotForRepl");
    for (const auto& row : rows.rows()) {
        std::string tableName = table.of(row);
        if (tables.empty() || tables.back().name != tableName)
            tables.push_back({tableName, {}});
        const ViewColumnType columnType{row[type],      row[baseType],  isSet(row[userDefined]),
                                        row[maxLength], row[precision], row[scale]};
        Column column{std::move(tableName),
                      row[name],
                      modelTypeName(columnType),
                      modelLength(columnType),
                      row[nullable],
                      row[collation],
                      modelTypeStat(columnType),
                      isSet(row[identity]) ? "1" : "0",
                      modelScale(columnType),
                      true,
                      {},
                      {}};
        if (withSourceFacts) {
            if (isSet(row[identity])) {
                column.identSeed = row[seed];
                column.identIncr = row[increment];
                column.identityNotForReplication = isSet(row[notForReplication]);
            }
            column.rowGuidCol = isSet(row[rowGuid]);
        }
        tables.back().columns.push_back(std::move(column));
    }
    return tables;
}

std::vector<TableIndexes> readViewIndexes(Connection& server, const ServerVersion& version) {
    const Result rows = server.open(version.hasFilteredIndexes() ? catalog::viewIndexKeys
                                                                 : catalog::viewIndexKeys2005);
    std::vector<TableIndexes> tables;
    if (rows.empty())
        return tables;
    const QualifiedField table(rows, "TableName", "SchemaName");
    const auto index = rows.columnIndex("IndexName");
    const auto indexId = rows.columnIndex("IndexId");
    const auto unique = rows.columnIndex("IsUnique");
    const auto primaryKey = rows.columnIndex("IsPrimaryKey");
    const auto uniqueConstraint = rows.columnIndex("IsUniqueConstraint");
    const auto field = rows.columnIndex("IndexField");
    const auto ordinal = rows.columnIndex("KeyOrdinal");
    const auto descending = rows.columnIndex("IsDescending");
    const auto included = rows.columnIndex("IsIncluded");
    const auto filter = rows.findColumn("FilterDefinition");
    for (const auto& row : rows.rows()) {
        const std::string tableName = table.of(row);
        if (tables.empty() || tables.back().table != tableName)
            tables.push_back({tableName, {}});
        auto& indexes = tables.back().indexes;
        if (indexes.empty() || indexes.back().name != row[index]) {
            const KeyConstraint constraint = isSet(row[primaryKey]) ? KeyConstraint::PrimaryKey
                                             : isSet(row[uniqueConstraint]) ? KeyConstraint::Unique
                                                                            : KeyConstraint::None;
            Index read{tableName,          row[index], row[indexId], {},
                       isSet(row[unique]), constraint, true};
            read.carriesLaterFacts = true;
            if (filter)
                read.filter = row[*filter];
            indexes.push_back(std::move(read));
        }
        if (isSet(row[included]))
            indexes.back().included.push_back(row[field]);
        else
            indexes.back().keys.push_back({row[field], row[ordinal], isSet(row[descending])});
    }
    return tables;
}

std::vector<DefaultConstraint> readViewDefaults(Connection& server) {
    const Result rows = server.open(catalog::viewDefaults);
    std::vector<DefaultConstraint> defaults;
    const QualifiedField table(rows, "TableName", "SchemaName");
    for (const auto& row : rows.rows()) {
        defaults.push_back({row[rows.columnIndex("DFName")], table.of(row),
                            row[rows.columnIndex("FieldName")], row[rows.columnIndex("DFValue")]});
    }
    return defaults;
}

std::vector<ForeignKey> readViewForeignKeys(Connection& server) {
    return foreignKeysOf(server.open(catalog::viewForeignKeys));
}

std::vector<CheckConstraint> readViewChecks(Connection& server) {
    const Result rows = server.open(catalog::viewChecks);
    std::vector<CheckConstraint> checks;
    const QualifiedField table(rows, "TableName", "SchemaName");
    for (const auto& row : rows.rows()) {
        checks.push_back({row[rows.columnIndex("CKName")], table.of(row),
                          row[rows.columnIndex("FieldName")], row[rows.columnIndex("CKText")],
                          isSet(row[rows.columnIndex("NotForReplication")]),
                          isSet(row[rows.columnIndex("Disabled")])});
    }
    return checks;
}

namespace {

// Each object of the kind: its name and its text, absent when hidden.
struct KindRow {
    std::string name;
    std::optional<std::string> text;
};

std::vector<KindRow> readKind(Connection& server, const ObjectKind& kind) {
    const Result rows = server.open(modulesQuery(kind));
    std::vector<KindRow> objects;
    if (rows.empty())
        return objects;
    rows.columnIndex("Name");
    const QualifiedField name(rows, "Name", "SchemaName");
    const auto definition = rows.columnIndex("Definition");
    for (const auto& row : rows.rows()) {
        // A hidden text reads as NULL, which comes as the empty text.
        KindRow object{name.of(row), std::nullopt};
        if (!row[definition].empty())
            object.text = row[definition];
        objects.push_back(std::move(object));
    }
    return objects;
}

} // namespace

std::vector<ModuleText> readViewModules(Connection& server, const ObjectKind& kind,
                                        std::vector<std::string>& unreadable,
                                        const std::function<void()>& onEach) {
    std::vector<ModuleText> modules;
    for (KindRow& object : readKind(server, kind)) {
        if (object.text)
            modules.push_back({object.name, {std::move(*object.text)}});
        else
            unreadable.push_back(displayName(object.name));
        if (onEach)
            onEach();
    }
    return modules;
}

void readViewTargetModules(Connection& server, const ObjectKind& kind,
                           const std::vector<std::string>& names,
                           std::vector<TargetModule>& found) {
    std::map<std::string, KindRow> byKey;
    for (KindRow& object : readKind(server, kind))
        byKey.emplace(objectKey(object.name), std::move(object));
    for (const std::string& name : names) {
        const auto match = byKey.find(objectKey(name));
        TargetModule module{name, match != byKey.end(), std::nullopt};
        if (match != byKey.end() && match->second.text)
            module.text = std::vector<std::string>{*match->second.text};
        found.push_back(std::move(module));
    }
}

} // namespace dbc
