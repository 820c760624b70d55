#pragma once

#include "index_definition.h"

#include <string>
#include <vector>

namespace dbc {

// The statements that bring one table's indexes in the target into line with
// the snapshot's. Both lists are in name-key order of the index names; the
// snapshot's is not empty.
//
// A table has at most one primary key: when both sides know which index is
// it, the two primary keys are compared first, whatever their names (system
// generated names differ between any two databases). A primary key on one
// side only is matched with the other side's index of the same name, if any,
// so that turning an index into a key drops it before the key takes its name.
// The remaining indexes are then merged by name: an index missing in the
// target is created, a surplus one dropped, one whose definition differs
// dropped in the target's form and created in the snapshot's.
//
// Every drop names the table as the snapshot's rows hold it. A snapshot that
// does not record key facts (written before they were) is merged by name only
// and sees the target's indexes as plain ones.
std::vector<std::string> mergeTableIndexes(const std::vector<IndexDefinition>& snapshot,
                                           const std::vector<IndexDefinition>& target);

} // namespace dbc
