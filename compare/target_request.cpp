#include "compare/target_request.h"

#include "compare/catalog_diff.h"

#include <algorithm>

namespace dbc {

TargetRequest targetRequestFor(const DatabaseCatalog& snapshot, bool dropExtra) {
    TargetRequest request;
    request.upTo = snapshot.readUpTo;
    request.tablesOnly = snapshot.holdsNothing;
    // A store written before computed definitions were kept compares columns
    // as before.
    request.computed =
        std::any_of(snapshot.tables.begin(), snapshot.tables.end(), [](const Table& table) {
            return !table.columns.empty() && table.columns.front().computedKnown;
        });
    request.foreignKeys = snapshot.foreignKeys.has_value();
    request.droppableObjects = dropExtra;
    request.checks = snapshot.checks.has_value();
    request.aliasTypes = snapshot.aliasTypes.has_value();
    for (std::size_t kind = 0; kind < snapshot.modules.size(); ++kind) {
        if (!snapshot.modules[kind].empty())
            request.moduleNames[kind] = modulesToAsk(snapshot.modules[kind]);
    }
    return request;
}

} // namespace dbc
