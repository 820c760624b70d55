#include "snapshot/store_reader.h"

#include "catalog/name_key.h"
#include "catalog/qualified_field.h"
#include "data/object_name.h"
#include "snapshot/store_queries.h"
#include "snapshot/store_schema.h"

#include <unordered_map>
#include <unordered_set>

namespace dbc {

namespace {

// A field of a store row: its column, or none when the store predates it.
class Field {
public:
    Field(const Result& rows, std::string_view name) : m_column(rows.findColumn(name)) {}
    std::string of(const Result::Row& row) const { return m_column ? row.at(*m_column) : ""; }
    bool present() const noexcept { return m_column.has_value(); }

private:
    std::optional<std::size_t> m_column;
};

// The distinct names of a name list, in list order, each object key once.
std::vector<std::string> distinctNames(const Result& list, std::string_view field) {
    std::vector<std::string> names;
    if (list.empty())
        return names;
    const Field name(list, field);
    std::unordered_set<std::string> seen;
    for (const auto& row : list.rows()) {
        std::string value = name.of(row);
        if (seen.insert(objectKey(value)).second)
            names.push_back(std::move(value));
    }
    return names;
}

// The rows of each object: their numbers per object key (schema and name, the
// row's SchemaName with `field`), in row order; and per key of the bare name
// the objects of that name, the dbo one first, then the others in the order
// their first rows come.
struct RowGroups {
    std::unordered_map<std::string, std::vector<std::size_t>> rows;
    std::unordered_map<std::string, std::vector<std::string>> objectsOfName;
};

RowGroups rowsByKey(const Result& rows, std::string_view field) {
    RowGroups groups;
    if (rows.empty())
        return groups;
    const QualifiedField name(rows, field, "SchemaName");
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const std::string object = name.of(rows.rows()[i]);
        auto [group, fresh] = groups.rows.try_emplace(objectKey(object));
        group->second.push_back(i);
        if (!fresh)
            continue;
        auto& objects = groups.objectsOfName[objectKey(bareName(object))];
        if (isQualified(object))
            objects.push_back(object);
        else
            objects.insert(objects.begin(), object);
    }
    return groups;
}

// For each distinct listed name (the store's name lists give bare names), the
// numbers of each of its objects' rows; a dbo object keeps the list's
// spelling.
template <typename Entry, typename MakeEntry>
std::vector<Entry> groupByList(const Result& rows, const Result& list, std::string_view field,
                               MakeEntry makeEntry) {
    const RowGroups groups = rowsByKey(rows, field);
    static const std::vector<std::size_t> none;
    std::vector<Entry> entries;
    std::unordered_set<std::string> listed;
    for (const std::string& name : distinctNames(list, field)) {
        const std::string key = objectKey(bareName(name));
        if (!listed.insert(key).second)
            continue;
        const auto objects = groups.objectsOfName.find(key);
        if (objects == groups.objectsOfName.end()) {
            entries.push_back(makeEntry(name, none));
            continue;
        }
        for (const std::string& object : objects->second) {
            const auto& numbers = groups.rows.at(objectKey(object));
            const bool listedSpelling = !isQualified(object) && !isQualified(name);
            entries.push_back(makeEntry(listedSpelling ? name : object, numbers));
        }
    }
    return entries;
}

} // namespace

std::vector<Table> readSnapshotTables(Connection& store) {
    const Result rows = store.open(store_sql::columns);
    const Result list = store.open(store_sql::tableNames);
    const QualifiedField table(rows, "TableName", "SchemaName");
    const Field name(rows, "FieldName"), type(rows, "FieldType"), length(rows, "FieldLength"),
        nullable(rows, "IsNullable"), collation(rows, "Collation"), typeStat(rows, "TypeStat"),
        colStat(rows, "colStat"), scale(rows, "FieldScale"), seed(rows, "IdentSeed"),
        increment(rows, "IdentIncr"), rowGuid(rows, "RowGuidCol"),
        notForReplication(rows, "IdentNotForRepl"), computed(rows, "ComputedText");
    return groupByList<Table>(
        rows, list, "TableName", [&](const std::string& listed, const auto& numbers) {
            Table entry{listed, {}};
            for (std::size_t i : numbers) {
                const auto& row = rows.rows()[i];
                entry.columns.push_back({table.of(row), name.of(row), type.of(row), length.of(row),
                                         nullable.of(row), collation.of(row), typeStat.of(row),
                                         colStat.of(row), scale.of(row), scale.present(),
                                         seed.of(row), increment.of(row), rowGuid.of(row) == "1",
                                         notForReplication.of(row) == "1"});
                entry.columns.back().computedDefinition = computed.of(row);
                entry.columns.back().computedKnown = computed.present();
            }
            return entry;
        });
}

std::vector<TableIndexes> readSnapshotIndexes(Connection& store) {
    const Result rows = store.open(store_sql::indexKeys);
    const Result list = store.open(store_sql::indexTableNames);
    const QualifiedField table(rows, "TableName", "SchemaName");
    const Field index(rows, "IndexName"), field(rows, "IndexField"), order(rows, "IndexFieldOrder"),
        status(rows, "Status"), unique(rows, "IsUnique"), constraint(rows, "KeyConstraint"),
        descending(rows, "IsDescending"), included(rows, "IsIncluded"), filter(rows, "IndexFilter");
    // A store written before these three were recorded cannot say which of its
    // indexes are keys: its indexes carry no key facts.
    const bool keyFacts = unique.present() && constraint.present() && descending.present();
    return groupByList<TableIndexes>(
        rows, list, "TableName", [&](const std::string& listed, const auto& numbers) {
            TableIndexes entry{listed, {}};
            for (std::size_t i : numbers) {
                const auto& row = rows.rows()[i];
                std::string indexName = index.of(row);
                if (entry.indexes.empty() || entry.indexes.back().name != indexName) {
                    entry.indexes.push_back({table.of(row),
                                             indexName,
                                             status.of(row),
                                             {},
                                             unique.of(row) == "1",
                                             keyConstraintFromText(constraint.of(row)),
                                             keyFacts});
                    entry.indexes.back().filter = filter.of(row);
                    // Captured from SQL Server 2005 or later: the row says
                    // whether it is included ("0" or "1"), never nothing.
                    entry.indexes.back().carriesLaterFacts = !included.of(row).empty();
                }
                // An included column's row follows the keys of its index.
                if (included.of(row) == "1")
                    entry.indexes.back().included.push_back(field.of(row));
                else
                    entry.indexes.back().keys.push_back(
                        {field.of(row), order.of(row), descending.of(row) == "1"});
            }
            return entry;
        });
}

std::vector<ModuleText> readSnapshotModules(Connection& store, const ObjectKind& kind) {
    // A store written before the kind's table was added knows none of them.
    if (const StoreTable* table = findStoreTable(kind.storeTable);
        table && table->optional && store.open(store_sql::tableExists(kind.storeTable)).empty())
        return {};
    const Result list = store.open(store_sql::moduleNames(kind));
    const Result rows = store.open(store_sql::moduleRows(kind));
    const Field text(rows, kind.textField);
    return groupByList<ModuleText>(rows, list, kind.nameField,
                                   [&](const std::string& listed, const auto& numbers) {
                                       ModuleText entry{listed, {}};
                                       for (std::size_t i : numbers)
                                           entry.rows.push_back(text.of(rows.rows()[i]));
                                       return entry;
                                   });
}

std::vector<DefaultConstraint> readSnapshotDefaults(Connection& store) {
    const Result rows = store.open(store_sql::defaults);
    std::vector<DefaultConstraint> defaults;
    if (rows.empty())
        return defaults;
    const QualifiedField table(rows, "TableName", "SchemaName");
    const Field name(rows, "DFName"), column(rows, "FieldName"), value(rows, "DFValue");
    defaults.reserve(rows.size());
    for (const auto& row : rows.rows())
        defaults.push_back({name.of(row), table.of(row), column.of(row), value.of(row)});
    return defaults;
}

std::optional<std::vector<ForeignKey>> readSnapshotForeignKeys(Connection& store) {
    if (store.open(store_sql::tableExists(store_sql::foreignKeyTable)).empty())
        return std::nullopt;
    const Result rows = store.open(store_sql::foreignKeys);
    std::vector<ForeignKey> keys;
    if (rows.empty())
        return keys;
    const QualifiedField table(rows, "TableName", "SchemaName"),
        refTable(rows, "RefTableName", "RefSchemaName"), keyOfRow(rows, "FKName", "SchemaName");
    const Field name(rows, "FKName"), field(rows, "FieldName"), refField(rows, "RefFieldName"),
        onDelete(rows, "DeleteCascade"), onUpdate(rows, "UpdateCascade"),
        notForReplication(rows, "NotForReplication"), disabled(rows, "Disabled");
    // Keys of one name in two schemas are told apart by their schemas.
    std::unordered_map<std::string, std::size_t> keyAt;
    for (const auto& row : rows.rows()) {
        const auto [at, fresh] = keyAt.try_emplace(keyOfRow.of(row), keys.size());
        if (fresh) {
            keys.push_back({name.of(row),
                            table.of(row),
                            {},
                            refTable.of(row),
                            {},
                            onDelete.of(row) == "1",
                            onUpdate.of(row) == "1",
                            notForReplication.of(row) == "1",
                            disabled.of(row) == "1"});
        }
        keys[at->second].columns.push_back(field.of(row));
        keys[at->second].referencedColumns.push_back(refField.of(row));
    }
    return keys;
}

std::optional<std::vector<CheckConstraint>> readSnapshotChecks(Connection& store) {
    if (store.open(store_sql::tableExists(store_sql::checkTable)).empty())
        return std::nullopt;
    const Result rows = store.open(store_sql::checks);
    std::vector<CheckConstraint> checks;
    if (rows.empty())
        return checks;
    const QualifiedField table(rows, "TableName", "SchemaName");
    const Field name(rows, "CKName"), column(rows, "FieldName"), text(rows, "CKText"),
        notForReplication(rows, "NotForReplication"), disabled(rows, "Disabled");
    for (const auto& row : rows.rows()) {
        checks.push_back({name.of(row), table.of(row), column.of(row), text.of(row),
                          notForReplication.of(row) == "1", disabled.of(row) == "1"});
    }
    return checks;
}

std::optional<std::vector<AliasType>> readSnapshotAliasTypes(Connection& store) {
    if (store.open(store_sql::tableExists(store_sql::aliasTypeTable)).empty())
        return std::nullopt;
    const Result rows = store.open(store_sql::aliasTypes);
    std::vector<AliasType> types;
    if (rows.empty())
        return types;
    const Field name(rows, "TypeName"), base(rows, "BaseType"), length(rows, "FieldLength"),
        scale(rows, "FieldScale"), nullable(rows, "IsNullable");
    for (const auto& row : rows.rows())
        types.push_back(
            {name.of(row), base.of(row), length.of(row), scale.of(row), nullable.of(row) != "0"});
    return types;
}

} // namespace dbc
