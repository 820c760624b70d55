#include "snapshot/snapshot_catalog.h"

#include "snapshot/store_queries.h"
#include "snapshot/store_reader.h"

namespace dbc {

namespace {

bool holdsModules(Connection& store) {
    for (const ObjectKind* kind : objectKinds) {
        if (!store.open(store_sql::moduleNames(*kind)).empty())
            return true;
    }
    return !readSnapshotModules(store, functionKind).empty();
}

} // namespace

void readSnapshotCatalog(Connection& store, DatabaseCatalog& into) {
    into.readUpTo = CatalogPart::Tables;
    into.tables = readSnapshotTables(store);
    into.holdsNothing = into.tables.empty() && !holdsModules(store);
    if (into.holdsNothing) {
        into.readUpTo = CatalogPart::Whole;
        return;
    }
    into.readUpTo = CatalogPart::Defaults;
    into.defaults = readSnapshotDefaults(store);
    into.readUpTo = CatalogPart::ForeignKeys;
    into.foreignKeys = readSnapshotForeignKeys(store);
    // The snapshot's side of --drop-extra is the names of its other parts.
    into.readUpTo = CatalogPart::Checks;
    into.checks = readSnapshotChecks(store);
    into.readUpTo = CatalogPart::AliasTypes;
    into.aliasTypes = readSnapshotAliasTypes(store);
    into.readUpTo = CatalogPart::Functions;
    into.functionsRecorded = !store.open(store_sql::tableExists(functionKind.storeTable)).empty();
    into.modules[ObjectKind::Function] = readSnapshotModules(store, functionKind);
    into.readUpTo = CatalogPart::Indexes;
    into.indexes = readSnapshotIndexes(store);
    for (const ObjectKind* kind : objectKinds) {
        into.readUpTo = modulePart(kind->id);
        into.modules[kind->id] = readSnapshotModules(store, *kind);
    }
    into.readUpTo = CatalogPart::Whole;
}

} // namespace dbc
