#pragma once

#include "data/result.h"

#include <string>
#include <vector>

namespace dbc::test {

// One column as both sides describe it.
struct Col {
    std::string table;
    std::string name;
    std::string type;
    std::string length;
    std::string nullable = "1";
    std::string collation;
    std::string typeStat = "0";
    std::string colStat = "0";
    std::string scale = "";
    std::string seed = ""; // identity seed and increment: the snapshot side only
    std::string increment = "";
    std::string rowGuidCol = ""; // "1": ROWGUIDCOL; the snapshot side only
    std::string identityNotForReplication = "";
    std::string computedText = ""; // the snapshot side only
};

// SourceTable rows, with the store's column names; `earlierLayout`: as a
// store written before scales and identity seeds were kept; `computedLayout`:
// with the ComputedText column.
Result snapshotColumns(const std::vector<Col>& columns, bool earlierLayout = false,
                       bool computedLayout = false);
// Rows of the target column query, with its aliases.
Result targetColumns(const std::vector<Col>& columns);

// One index key column as both sides describe it.
struct Key {
    std::string table;
    std::string index;
    std::string field;
    std::string order;
    std::string status;
};

// SourceIndex rows, with the store's column names.
Result snapshotIndexKeys(const std::vector<Key>& keys);
// Rows of the target index query, with its aliases.
Result targetIndexKeys(const std::vector<Key>& keys);

// A one-column result, e.g. a snapshot name list.
Result nameList(const std::string& field, const std::vector<std::string>& names);

// Rows of a two-column result: stored object text rows or sp_helptext rows.
Result textRows(const std::string& nameField, const std::string& textField,
                const std::vector<std::pair<std::string, std::string>>& rows);

// One default constraint.
struct Df {
    std::string name;
    std::string table;
    std::string field;
    std::string value;
};

// SourceDF rows, with the store's column names.
Result snapshotDefaults(const std::vector<Df>& defaults);
// Rows of the target default query, with its aliases.
Result targetDefaults(const std::vector<Df>& defaults);

} // namespace dbc::test
