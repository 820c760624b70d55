#pragma once

#include "column_definition.h"
#include "connection.h"
#include "result.h"
#include "script_buffer.h"

#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace dbc {

// The default constraint category, over the whole database: a snapshot
// constraint whose name the target lacks is added to its column, a target
// constraint whose name the snapshot lacks is dropped (on any user table, also
// one the snapshot does not know). A name present on both sides yields
// nothing, whatever its value, table or column.
//
// Both sides are read before the table category, so that an Add of a column
// can carry the column's default (a NOT NULL column cannot be added to a table
// with rows without one); such a default is then not added again here.
class DefaultComparison {
public:
    // Reads the snapshot's and the target's default constraints.
    DefaultComparison(Connection& store, Connection& target);

    // The snapshot's default of `table`.`column` for an Add of that column to
    // carry, or nullptr when the snapshot has none or the target already has
    // a constraint of its name. A default handed out is not added by
    // addStatements().
    const CarriedDefault* carriedBy(std::string_view table, std::string_view column);

    // Adds every drop first, then every add, each group in name-key order: a
    // column's new default can only be added once its old one is gone.
    void addStatements(ScriptBuffer& buffer) const;

private:
    struct Row {
        std::string_view name;
        std::string_view table;
        std::string_view field;
        std::string_view value;
    };
    static std::vector<Row> sortedRows(const Result& result, bool withDefinition);
    bool targetHas(std::string_view name) const;

    Result m_snapshotRows;
    Result m_targetRows;
    std::vector<Row> m_snapshot;
    std::vector<Row> m_target;
    std::vector<CarriedDefault> m_carriedDefaults; // one per snapshot row
    std::set<std::size_t> m_carried;               // snapshot rows an Add carries
};

} // namespace dbc
