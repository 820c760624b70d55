#include "server_reader.h"

#include "catalog_queries.h"
#include "database_error.h"
#include "key_position.h"
#include "sql_text.h"

#include <algorithm>
#include <optional>

namespace dbc {

namespace {

// The field names of the column query's two texts.
struct ColumnFields {
    const char* name;
    const char* length;
    const char* type;
};

const char* pick(CatalogSide side, const char* capture, const char* target) {
    return side == CatalogSide::Capture ? capture : target;
}

// A failure that means the connection itself is gone (SQLSTATE class 08).
bool connectionLost(const DatabaseError& error) {
    return error.sqlState().rfind("08", 0) == 0;
}

} // namespace

std::vector<Table> readServerTables(Connection& server, CatalogSide side) {
    const Result rows = server.open(pick(side, catalog::captureColumns, catalog::targetColumns));
    std::vector<Table> tables;
    if (rows.empty())
        return tables;
    const ColumnFields fields = side == CatalogSide::Capture
                                    ? ColumnFields{"Name", "Length", "TypeName"}
                                    : ColumnFields{"FieldName", "FieldLength", "FieldType"};
    const auto name = rows.columnIndex(fields.name);
    const auto length = rows.columnIndex(fields.length);
    const auto type = rows.columnIndex(fields.type);
    const auto table = rows.columnIndex("TableName");
    const auto nullable = rows.columnIndex("IsNullable");
    const auto collation = rows.columnIndex("Collation");
    const auto typeStat = rows.columnIndex("TypeStat");
    const auto colStat = rows.columnIndex("colStat");
    for (const auto& row : rows.rows()) {
        if (tables.empty() || tables.back().name != row[table])
            tables.push_back({row[table], {}});
        tables.back().columns.push_back({row[table], row[name], row[type], row[length],
                                         row[nullable], row[collation], row[typeStat],
                                         row[colStat]});
    }
    return tables;
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

std::vector<ForeignKey> readTargetForeignKeys(Connection& server) {
    const Result rows = server.open(catalog::targetForeignKeys);
    std::vector<ForeignKey> keys;
    if (rows.empty())
        return keys;
    const auto name = rows.columnIndex("FKName");
    const auto table = rows.columnIndex("TableName");
    const auto field = rows.columnIndex("FieldName");
    const auto refTable = rows.columnIndex("RefTableName");
    const auto refField = rows.columnIndex("RefFieldName");
    const auto order = rows.columnIndex("KeyOrder");
    const auto onDelete = rows.columnIndex("DeleteCascade");
    const auto onUpdate = rows.columnIndex("UpdateCascade");

    // Rows of one key stay together whatever order the server returns them
    // in; a key's name is exact (a database holds one constraint of a name).
    std::vector<const Result::Row*> sorted;
    for (const auto& row : rows.rows())
        sorted.push_back(&row);
    std::stable_sort(sorted.begin(), sorted.end(), [&](const Result::Row* a, const Result::Row* b) {
        if ((*a)[name] != (*b)[name])
            return (*a)[name] < (*b)[name];
        return keyPosition((*a)[order]) < keyPosition((*b)[order]);
    });
    for (const Result::Row* row : sorted) {
        if (keys.empty() || keys.back().name != (*row)[name]) {
            keys.push_back({(*row)[name],
                            (*row)[table],
                            {},
                            (*row)[refTable],
                            {},
                            (*row)[onDelete] == "1",
                            (*row)[onUpdate] == "1"});
        }
        keys.back().columns.push_back((*row)[field]);
        keys.back().referencedColumns.push_back((*row)[refField]);
    }
    return keys;
}

std::vector<std::string> readModuleNames(Connection& server, const ObjectKind& kind) {
    const Result rows = server.open(kind.captureNamesQuery);
    std::vector<std::string> names;
    if (rows.empty())
        return names;
    const auto name = rows.columnIndex("Name");
    names.reserve(rows.size());
    for (const auto& row : rows.rows())
        names.push_back(row[name]);
    return names;
}

std::vector<ModuleText> readModuleTexts(Connection& server, const std::vector<std::string>& names,
                                        std::vector<std::string>& unreadable,
                                        const std::function<void()>& onEach) {
    std::vector<ModuleText> modules;
    for (const std::string& name : names) {
        std::optional<Result> text;
        try {
            text = server.open(catalog::captureObjectText + nStringLiteral(name));
        } catch (const DatabaseError& error) {
            if (connectionLost(error))
                throw;
            unreadable.push_back(name);
        }
        if (text) {
            ModuleText module{name, {}};
            if (!text->empty()) {
                const auto column = text->columnIndex("Text");
                for (const auto& row : text->rows())
                    module.rows.push_back(row[column]);
            }
            modules.push_back(std::move(module));
        }
        if (onEach)
            onEach();
    }
    return modules;
}

namespace {

// The target's text rows of an object, or nothing when the server will not
// give them: sp_helptext fails for an encrypted object, and a result without
// rows or without a result set carries no text either.
std::optional<std::vector<std::string>> targetText(Connection& server, const std::string& name) {
    try {
        const Result rows = server.open(catalog::targetObjectText + nStringLiteral(name));
        if (rows.empty())
            return std::nullopt;
        const auto column = rows.columnIndex("Text");
        std::vector<std::string> text;
        text.reserve(rows.size());
        for (const auto& row : rows.rows())
            text.push_back(row[column]);
        return text;
    } catch (const DatabaseError&) {
        return std::nullopt;
    }
}

} // namespace

void readTargetModules(Connection& server, const ObjectKind& kind,
                       const std::vector<std::string>& names, std::vector<TargetModule>& found) {
    for (const std::string& name : names) {
        TargetModule module{name, false, std::nullopt};
        module.exists = !server.open(kind.existenceQuery + nStringLiteral(name)).empty();
        if (module.exists)
            module.text = targetText(server, name);
        found.push_back(std::move(module));
    }
}

} // namespace dbc
