#pragma once

#include "catalog/database_catalog.h"
#include "data/connection.h"

namespace dbc {

// Reads the whole snapshot store into `into` through the store's connection,
// part by part in CatalogPart order (store_reader.h reads each part). A store
// without column rows is first asked whether it holds procedures, views,
// triggers or functions; one holding none of them holds nothing, and its
// other parts are not read.
//
// A failure propagates as the store's exception, with `into` holding the
// parts read before it and `readUpTo` naming the part that failed.
void readSnapshotCatalog(Connection& store, DatabaseCatalog& into);

} // namespace dbc
