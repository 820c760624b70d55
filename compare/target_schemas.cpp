#include "compare/target_schemas.h"

#include "catalog/catalog_queries.h"
#include "catalog/name_key.h"
#include "data/object_name.h"
#include "data/sql_names.h"
#include "script/statement_text.h"

#include <algorithm>
#include <optional>
#include <set>
#include <string_view>
#include <vector>

namespace dbc {

namespace {

// A change that names an object outside dbo: the object as the script writes
// it, what the change would do to it, and the schema it needs.
struct SchemaUse {
    std::string object;
    std::string_view verb;
    std::string schema;
};

std::optional<SchemaUse> useOf(std::string object, std::string_view verb,
                               std::initializer_list<std::string_view> names) {
    for (std::string_view name : names) {
        if (isQualified(name))
            return SchemaUse{std::move(object), verb, std::string(schemaOf(name))};
    }
    return std::nullopt;
}

std::optional<SchemaUse> schemaUseOf(const ChangeRecord& record) {
    if (const auto* c = std::get_if<CreateTable>(&record))
        return useOf(sqlName(c->table), "not created", {c->table});
    if (const auto* c = std::get_if<CreateModule>(&record))
        return useOf(sqlName(c->name), "not created", {c->name});
    if (const auto* c = std::get_if<AddColumn>(&record))
        return useOf(columnObjectName(c->column.table, c->column.name), "not added",
                     {c->column.table});
    if (const auto* c = std::get_if<AlterColumn>(&record))
        return useOf(columnObjectName(c->column.table, c->column.name), "not altered",
                     {c->column.table});
    if (const auto* c = std::get_if<CreateIndex>(&record))
        return useOf(sqlName(c->index.table) + "." + sqlName(c->index.name), "not created",
                     {c->index.table});
    if (const auto* c = std::get_if<AddDefault>(&record))
        return useOf(sqlName(c->constraint.name), "not added", {c->constraint.table});
    if (const auto* c = std::get_if<AddCheck>(&record))
        return useOf(sqlName(c->check.name), "not added", {c->check.table});
    if (const auto* c = std::get_if<AddForeignKey>(&record))
        return useOf(sqlName(c->key.name), "not added", {c->key.table, c->key.referencedTable});
    if (const auto* c = std::get_if<SetConstraintChecking>(&record))
        return useOf(sqlName(c->name), "not changed", {c->table});
    if (const auto* c = std::get_if<RebuildTable>(&record))
        return useOf(sqlName(c->table), "not rebuilt", {c->table});
    return std::nullopt;
}

// The schemas the script's creates need, each once, in script order.
std::vector<std::string> schemasNeeded(const ChangeList& changes) {
    std::vector<std::string> needed;
    std::set<std::string> seen;
    for (const Change& change : changes) {
        std::string_view name;
        if (const auto* table = std::get_if<CreateTable>(&change.record))
            name = table->table;
        else if (const auto* module = std::get_if<CreateModule>(&change.record))
            name = module->name;
        if (isQualified(name) && seen.insert(nameKey(schemaOf(name))).second)
            needed.emplace_back(schemaOf(name));
    }
    return needed;
}

void createMissingSchemas(Connection& target, ChangeList& changes) {
    std::vector<std::string> needed = schemasNeeded(changes);
    if (needed.empty())
        return;
    std::set<std::string> present;
    const Result rows = target.open(catalog::targetSchemas);
    for (const auto& row : rows.rows())
        present.insert(nameKey(row.at(rows.columnIndex("SchemaName"))));
    std::erase_if(needed,
                  [&](const std::string& schema) { return present.contains(nameKey(schema)); });
    if (needed.empty())
        return;
    const auto use = std::find_if(changes.begin(), changes.end(), [](const Change& change) {
        return std::holds_alternative<UseDatabase>(change.record);
    });
    auto at = use == changes.end() ? changes.begin() : use + 1;
    // A "Go" line before each and after the last in the display too: a query
    // tool that runs the shown text takes CREATE SCHEMA only alone in its
    // batch (a statement after it in the same batch would become part of it).
    for (const std::string& schema : needed)
        at = changes.insert(at, {CreateSchema{schema}, true}) + 1;
    if (at != changes.end())
        at->goBefore = true;
}

} // namespace

void keepToTheTargetSchemas(Connection& target, ChangeList& changes, const ServerVersion& version) {
    if (version.readsCatalogViews()) {
        createMissingSchemas(target, changes);
        return;
    }
    for (Change& change : changes) {
        if (auto use = schemaUseOf(change.record)) {
            change.record = UnscriptedChange{std::move(use->object),
                                             std::string(use->verb) + ": the target, " +
                                                 releaseName(version.major) + ", has no schema " +
                                                 sqlName(use->schema)};
        }
    }
}

} // namespace dbc
