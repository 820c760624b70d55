#include "catalog/target_catalog_reader.h"

#include "catalog/versioned_reader.h"

namespace dbc {

namespace {

void readModuleAnswers(Connection& target, const ObjectKind& kind, const TargetRequest& request,
                       const ServerVersion& version, DatabaseCatalog& into) {
    if (const auto& names = request.moduleNames[kind.id])
        readTargetModules(target, kind, *names, into.moduleAnswers[kind.id], version);
}

} // namespace

void readTargetCatalog(Connection& target, const TargetRequest& request,
                       const ServerVersion& version, DatabaseCatalog& into) {
    // Marks `part` as being read; false when the reading ends before it.
    auto reach = [&](CatalogPart part) {
        into.readUpTo = part;
        return part < request.upTo;
    };
    if (!reach(CatalogPart::Tables))
        return;
    into.tables = readTables(target, CatalogSide::Target, version);
    if (request.computed)
        readComputed(target, into.tables, version);
    if (request.tablesOnly) {
        into.readUpTo = CatalogPart::Whole;
        return;
    }
    if (!reach(CatalogPart::Defaults))
        return;
    into.defaults = readDefaults(target, CatalogSide::Target, version);
    if (!reach(CatalogPart::ForeignKeys))
        return;
    if (request.foreignKeys)
        into.foreignKeys = readForeignKeys(target, CatalogSide::Target, version);
    if (!reach(CatalogPart::ExtraObjects))
        return;
    if (request.droppableObjects) {
        into.droppableObjects = readDroppableObjects(target, version);
        if (!into.foreignKeys)
            into.foreignKeys = readForeignKeys(target, CatalogSide::Target, version);
    }
    if (!reach(CatalogPart::Checks))
        return;
    if (request.checks)
        into.checks = readChecks(target, version);
    if (!reach(CatalogPart::AliasTypes))
        return;
    if (request.aliasTypes)
        into.aliasTypes = readServerAliasTypes(target);
    if (!reach(CatalogPart::Functions))
        return;
    readModuleAnswers(target, functionKind, request, version, into);
    if (!reach(CatalogPart::Indexes))
        return;
    into.indexes = readIndexes(target, CatalogSide::Target, version);
    for (const ObjectKind* kind : objectKinds) {
        if (!reach(modulePart(kind->id)))
            return;
        readModuleAnswers(target, *kind, request, version, into);
    }
    into.readUpTo = CatalogPart::Whole;
}

} // namespace dbc
