#include "catalog/server_reader.h"

#include "catalog/catalog_queries.h"
#include "catalog/key_position.h"
#include "catalog/qualified_field.h"
#include "data/database_error.h"
#include "data/sql_names.h"
#include "data/sql_text.h"

#include <algorithm>
#include <optional>
#include <string_view>

namespace dbc {

namespace {

// The field names of the column query's two texts.
struct ColumnFields {
    const char* name;
    const char* length;
    const char* type;
    const char* scale;
};

const char* pick(CatalogSide side, const char* capture, const char* target) {
    return side == CatalogSide::Capture ? capture : target;
}

// A statement that timed out says nothing about its object, and the server
// stopped answering: reading cannot go on. (openEach throws a lost
// connection itself.)
void throwIfTimedOut(const ResultOrError& reply) {
    if (const auto* error = std::get_if<DatabaseError>(&reply); error && error->timedOut())
        throw *error;
}

// The values of one column of a result, in row order (none for no rows).
std::vector<std::string> columnValues(const Result& result, std::string_view field) {
    std::vector<std::string> values;
    if (result.empty())
        return values;
    const auto column = result.columnIndex(field);
    values.reserve(result.size());
    for (const auto& row : result.rows())
        values.push_back(row[column]);
    return values;
}

} // namespace

std::string readTargetCollation(Connection& server) {
    const Result rows = server.open(catalog::targetCollation);
    return rows.empty() ? std::string() : rows.field(0, "Collation");
}

std::vector<Table> readServerTables(Connection& server, CatalogSide side) {
    const Result rows = server.open(pick(side, catalog::captureColumns, catalog::targetColumns));
    std::vector<Table> tables;
    if (rows.empty())
        return tables;
    const ColumnFields fields =
        side == CatalogSide::Capture
            ? ColumnFields{"Name", "Length", "TypeName", "Scale"}
            : ColumnFields{"FieldName", "FieldLength", "FieldType", "FieldScale"};
    const auto name = rows.columnIndex(fields.name);
    const auto length = rows.columnIndex(fields.length);
    const auto type = rows.columnIndex(fields.type);
    const auto table = rows.columnIndex("TableName");
    const auto nullable = rows.columnIndex("IsNullable");
    const auto collation = rows.columnIndex("Collation");
    const auto typeStat = rows.columnIndex("TypeStat");
    const auto colStat = rows.columnIndex("colStat");
    const auto scale = rows.columnIndex(fields.scale);
    for (const auto& row : rows.rows()) {
        if (tables.empty() || tables.back().name != row[table])
            tables.push_back({row[table], {}});
        tables.back().columns.push_back({row[table],
                                         row[name],
                                         row[type],
                                         row[length],
                                         row[nullable],
                                         row[collation],
                                         row[typeStat],
                                         row[colStat],
                                         row[scale],
                                         true,
                                         {},
                                         {}});
    }
    if (side == CatalogSide::Capture) {
        readIdentitySeeds(server, tables);
        readColumnMarks(server, tables);
        readComputedColumns(server, tables);
    }
    return tables;
}

void readComputedColumns(Connection& server, std::vector<Table>& tables, const char* query) {
    const Result rows = server.open(query);
    for (Table& table : tables) {
        for (Column& column : table.columns)
            column.computedKnown = true;
    }
    if (rows.empty())
        return;
    const QualifiedField table(rows, "TableName", "SchemaName");
    const auto field = rows.columnIndex("FieldName");
    const auto text = rows.columnIndex("Definition");
    // Text rows come in order; a name is exact (the server's own spelling).
    for (const auto& row : rows.rows()) {
        const std::string tableName = table.of(row);
        for (Table& t : tables) {
            if (t.name != tableName)
                continue;
            for (Column& column : t.columns) {
                if (column.name == row[field])
                    column.computedDefinition += row[text];
            }
        }
    }
}

std::vector<AliasType> readServerAliasTypes(Connection& server) {
    const Result rows = server.open(catalog::aliasTypes);
    std::vector<AliasType> types;
    if (rows.empty())
        return types;
    const auto name = rows.columnIndex("TypeName");
    const auto base = rows.columnIndex("BaseType");
    const auto length = rows.columnIndex("Length");
    const auto scale = rows.columnIndex("Scale");
    const auto nullable = rows.columnIndex("AllowNulls");
    types.reserve(rows.size());
    for (const auto& row : rows.rows())
        types.push_back({row[name], row[base], row[length], row[scale], row[nullable] != "0"});
    return types;
}

void readColumnMarks(Connection& server, std::vector<Table>& tables) {
    const Result rows = server.open(catalog::captureColumnMarks);
    if (rows.empty())
        return;
    const auto table = rows.columnIndex("TableName");
    const auto field = rows.columnIndex("FieldName");
    const auto rowGuid = rows.columnIndex("IsRowGuidCol");
    const auto notForReplication = rows.columnIndex("IsIdNotForRepl");
    for (const auto& row : rows.rows()) {
        for (Table& t : tables) {
            if (t.name != row[table])
                continue;
            for (Column& column : t.columns) {
                if (column.name == row[field]) {
                    column.rowGuidCol = row[rowGuid] == "1";
                    column.identityNotForReplication = row[notForReplication] == "1";
                }
            }
        }
    }
}

void readIdentitySeeds(Connection& server, std::vector<Table>& tables) {
    std::vector<Column*> identities;
    std::vector<std::string> queries;
    for (Table& table : tables) {
        for (Column& column : table.columns) {
            if (column.colStat != "1")
                continue;
            // The bracketed name reads as one name whatever it holds.
            const std::string name = nStringLiteral("[" + bracketedNameBody(column.table) + "]");
            identities.push_back(&column);
            queries.push_back(catalog::identitySeedBefore + name + catalog::identitySeedBetween +
                              name + catalog::identitySeedAfter);
        }
    }
    if (queries.empty())
        return;
    // One request for every identity column (the queries may travel batched),
    // the replies in the same order; a refused one fails the reading as a
    // single query would.
    server.openEach(queries, [&](std::size_t index, ResultOrError reply) {
        if (auto* error = std::get_if<DatabaseError>(&reply))
            throw *error;
        const Result& seed = std::get<Result>(reply);
        if (!seed.empty()) {
            identities[index]->identSeed = seed.field(0, "IdentSeed");
            identities[index]->identIncr = seed.field(0, "IdentIncr");
        }
    });
}

std::vector<TableIndexes> readServerIndexes(Connection& server, CatalogSide side) {
    const Result rows =
        server.open(pick(side, catalog::captureIndexKeys, catalog::targetIndexKeys));
    std::vector<TableIndexes> tables;
    if (rows.empty())
        return tables;
    const auto table = rows.columnIndex("TableName");
    const auto index = rows.columnIndex("IndexName");
    const auto field = rows.columnIndex("IndexField");
    const auto order = rows.columnIndex("IndexFieldOrder");
    const auto status = rows.columnIndex("Status");
    const auto unique = rows.columnIndex("IsUnique");
    const auto constraint = rows.columnIndex("KeyConstraint");
    const auto descending = rows.columnIndex("IsDescending");
    for (const auto& row : rows.rows()) {
        if (tables.empty() || tables.back().table != row[table])
            tables.push_back({row[table], {}});
        auto& indexes = tables.back().indexes;
        if (indexes.empty() || indexes.back().name != row[index]) {
            indexes.push_back({row[table],
                               row[index],
                               row[status],
                               {},
                               row[unique] == "1",
                               keyConstraintFromText(row[constraint]),
                               true});
        }
        // INDEXKEY_PROPERTY gives NULL for a key it does not know: ascending.
        indexes.back().keys.push_back({row[field], row[order], row[descending] == "1"});
    }
    return tables;
}

std::vector<DefaultConstraint> readServerDefaults(Connection& server, CatalogSide side) {
    const Result rows = server.open(pick(side, catalog::captureDefaults, catalog::targetDefaults));
    std::vector<DefaultConstraint> defaults;
    if (rows.empty())
        return defaults;
    const auto name = rows.columnIndex("DFName");
    const auto table = rows.columnIndex("TableName");
    // The compare never reads a target constraint's column or definition.
    const auto column = rows.findColumn("FieldName");
    const auto value = rows.findColumn("DFValue");
    defaults.reserve(rows.size());
    for (const auto& row : rows.rows()) {
        defaults.push_back({row[name], row[table], column ? row[*column] : std::string(),
                            value ? row[*value] : std::string()});
    }
    return defaults;
}

std::vector<ForeignKey> readServerForeignKeys(Connection& server, CatalogSide side) {
    return foreignKeysOf(
        server.open(pick(side, catalog::captureForeignKeys, catalog::targetForeignKeys)));
}

std::vector<ForeignKey> foreignKeysOf(const Result& rows) {
    std::vector<ForeignKey> keys;
    if (rows.empty())
        return keys;
    const auto name = rows.columnIndex("FKName");
    // Both table names are required fields.
    rows.columnIndex("TableName");
    rows.columnIndex("RefTableName");
    const QualifiedField table(rows, "TableName", "SchemaName");
    const QualifiedField refTable(rows, "RefTableName", "RefSchemaName");
    // A key's name is unique within its schema (the schema of its table).
    const QualifiedField keyName(rows, "FKName", "SchemaName");
    const auto field = rows.columnIndex("FieldName");
    const auto refField = rows.columnIndex("RefFieldName");
    const auto order = rows.columnIndex("KeyOrder");
    const auto onDelete = rows.columnIndex("DeleteCascade");
    const auto onUpdate = rows.columnIndex("UpdateCascade");
    const auto disabled = rows.columnIndex("IsDisabled");
    const auto notForReplication = rows.columnIndex("NotForReplication");
    const auto notTrusted = rows.columnIndex("NotTrusted");

    // Rows of one key stay together whatever order the server returns them
    // in; a key's name is exact (a schema holds one constraint of a name).
    std::vector<std::pair<std::string, const Result::Row*>> sorted;
    for (const auto& row : rows.rows())
        sorted.emplace_back(keyName.of(row), &row);
    std::stable_sort(sorted.begin(), sorted.end(), [&](const auto& a, const auto& b) {
        if (a.first != b.first)
            return a.first < b.first;
        return keyPosition((*a.second)[order]) < keyPosition((*b.second)[order]);
    });
    std::string current;
    for (const auto& [key, row] : sorted) {
        if (keys.empty() || current != key) {
            current = key;
            keys.push_back({(*row)[name],
                            table.of(*row),
                            {},
                            refTable.of(*row),
                            {},
                            (*row)[onDelete] == "1",
                            (*row)[onUpdate] == "1",
                            (*row)[notForReplication] == "1",
                            (*row)[disabled] == "1",
                            (*row)[notTrusted] == "1"});
        }
        keys.back().columns.push_back((*row)[field]);
        keys.back().referencedColumns.push_back((*row)[refField]);
    }
    return keys;
}

std::vector<CheckConstraint> readServerChecks(Connection& server) {
    const Result rows = server.open(catalog::checkConstraints);
    std::vector<CheckConstraint> checks;
    if (rows.empty())
        return checks;
    const auto name = rows.columnIndex("CKName");
    const auto table = rows.columnIndex("TableName");
    const auto column = rows.columnIndex("FieldName");
    const auto text = rows.columnIndex("CKText");
    const auto notForReplication = rows.columnIndex("NotForReplication");
    const auto disabled = rows.columnIndex("Disabled");
    // The server returns them in name order, text rows in order.
    for (const auto& row : rows.rows()) {
        if (checks.empty() || checks.back().name != row[name]) {
            checks.push_back({row[name],
                              row[table],
                              row[column],
                              {},
                              row[notForReplication] == "1",
                              row[disabled] == "1"});
        }
        checks.back().definition += row[text];
    }
    return checks;
}

std::vector<TableTrigger> readTableTriggers(Connection& server, const char* query) {
    const Result rows = server.open(query);
    std::vector<TableTrigger> triggers;
    if (rows.empty())
        return triggers;
    rows.columnIndex("TriggerName");
    rows.columnIndex("TableName");
    // A trigger is in the schema of its table.
    const QualifiedField name(rows, "TriggerName", "SchemaName");
    const QualifiedField table(rows, "TableName", "SchemaName");
    for (const auto& row : rows.rows())
        triggers.push_back({name.of(row), table.of(row)});
    return triggers;
}

std::vector<CatalogObject> readDroppableObjects(Connection& server, const char* query) {
    const Result rows = server.open(query);
    std::vector<CatalogObject> objects;
    if (rows.empty())
        return objects;
    rows.columnIndex("ObjectName");
    const QualifiedField name(rows, "ObjectName", "SchemaName");
    const auto type = rows.columnIndex("ObjectType");
    const auto parent = rows.columnIndex("ParentName");
    const auto encrypted = rows.columnIndex("Encrypted");
    // A trigger is in the schema of its table.
    const QualifiedField parentName(rows, "ParentName", "SchemaName");
    for (const auto& row : rows.rows())
        objects.push_back({name.of(row), row[type], row[parent].empty() ? "" : parentName.of(row),
                           row[encrypted] == "1"});
    return objects;
}

std::vector<std::string> readModuleNames(Connection& server, const ObjectKind& kind) {
    return columnValues(server.open(kind.captureNamesQuery), "Name");
}

std::vector<ModuleText> readModuleTexts(Connection& server, const std::vector<std::string>& names,
                                        std::vector<std::string>& unreadable,
                                        const std::function<void()>& onEach) {
    std::vector<std::string> queries;
    queries.reserve(names.size());
    for (const std::string& name : names)
        queries.push_back(catalog::captureObjectText + nStringLiteral(name));
    // The requests may travel batched; the replies come in name order.
    std::vector<ModuleText> modules;
    server.openEach(queries, [&](std::size_t index, ResultOrError reply) {
        throwIfTimedOut(reply);
        if (const auto* text = std::get_if<Result>(&reply))
            modules.push_back({names[index], columnValues(*text, "Text")});
        else
            unreadable.push_back(names[index]);
        if (onEach)
            onEach();
    });
    return modules;
}

namespace {

struct Stop {};

// Whether each named object exists, in name order, up to the first
// existence query that fails; that failure is returned.
std::optional<DatabaseError> readExistence(Connection& server, const ObjectKind& kind,
                                           const std::vector<std::string>& names,
                                           std::vector<TargetModule>& modules) {
    std::vector<std::string> queries;
    queries.reserve(names.size());
    for (const std::string& name : names)
        queries.push_back(kind.existenceQuery + nStringLiteral(name));
    std::optional<DatabaseError> failure;
    try {
        server.openEach(queries, [&](std::size_t index, ResultOrError reply) {
            if (auto* error = std::get_if<DatabaseError>(&reply)) {
                failure = std::move(*error);
                throw Stop{};
            }
            modules.push_back({names[index], !std::get<Result>(reply).empty(), std::nullopt});
        });
    } catch (const Stop&) {
    }
    return failure;
}

} // namespace

void readTargetModules(Connection& server, const ObjectKind& kind,
                       const std::vector<std::string>& names, std::vector<TargetModule>& found) {
    // All existence queries first, then the texts of the objects that exist;
    // each kind may travel batched. An object is handed on once it and all
    // before it are known, so what was read before an error is kept.
    std::vector<TargetModule> modules;
    modules.reserve(names.size());
    const std::optional<DatabaseError> failure = readExistence(server, kind, names, modules);
    std::vector<std::size_t> present;
    for (std::size_t i = 0; i < modules.size(); ++i)
        if (modules[i].exists)
            present.push_back(i);
    std::size_t next = 0;
    auto handOnBefore = [&](std::size_t end) {
        for (; next < end; ++next)
            found.push_back(std::move(modules[next]));
    };
    handOnBefore(present.empty() ? modules.size() : present.front());

    std::vector<std::string> queries;
    queries.reserve(present.size());
    for (std::size_t i : present)
        queries.push_back(catalog::targetObjectText + nStringLiteral(modules[i].name));
    // A text the server will not give (an error: encrypted, or dropped since;
    // no rows; no result set) leaves `text` empty. A lost connection is
    // thrown by openEach, not taken for a missing text.
    server.openEach(queries, [&](std::size_t index, ResultOrError reply) {
        throwIfTimedOut(reply);
        TargetModule& module = modules[present[index]];
        if (const auto* text = std::get_if<Result>(&reply); text && !text->empty())
            module.text = columnValues(*text, "Text");
        handOnBefore(index + 1 < present.size() ? present[index + 1] : modules.size());
    });
    if (failure)
        throw *failure;
}

} // namespace dbc
