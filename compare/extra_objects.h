#pragma once

#include "catalog/catalog_model.h"
#include "catalog/server_reader.h"
#include "script/change.h"

#include <set>
#include <string>
#include <vector>

namespace dbc {

// What the snapshot says exists, for --drop-extra: the object keys of its
// tables, procedures, views and triggers (and functions, where it records
// them). A kind the snapshot does not record says nothing, and the target's
// objects of that kind stay.
struct SnapshotObjects {
    bool tablesRecorded = false;
    bool functionsRecorded = false;
    std::set<std::string> tables;
    std::set<std::string> procedures;
    std::set<std::string> views;
    std::set<std::string> triggers;
    std::set<std::string> functions;
};

// The drops of the target's tables, views, procedures, triggers and functions
// the snapshot lacks, after what depends on them: first every foreign key
// (of a table that stays or goes) that references a table dropped, except
// the keys `alreadyDropped` (name keys) holds; then triggers, views,
// procedures, functions, and the tables last. A trigger on a table dropped
// goes with its table. An object whose text is encrypted is never dropped:
// the snapshot holds no encrypted object, so its absence there says nothing.
ChangeList dropExtraObjects(const std::vector<CatalogObject>& target,
                            const SnapshotObjects& snapshot,
                            const std::vector<ForeignKey>& targetForeignKeys,
                            const std::set<std::string>& alreadyDropped);

// The object keys of the tables `changes` drop.
std::set<std::string> droppedTables(const ChangeList& changes);

} // namespace dbc
