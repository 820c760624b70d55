#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace dbc {

// Which constraint, if any, an index enforces.
enum class KeyConstraint { None, PrimaryKey, Unique };

// "PK" and "UQ" as the snapshot stores them; any other text is no constraint.
KeyConstraint keyConstraintFromText(std::string_view text) noexcept;

// One key column of an index, in key order.
struct IndexKeyColumn {
    std::string name;
    bool descending = false;
};

// One index of a table as one side of the compare holds it.
struct IndexDefinition {
    std::string name;
    std::string tableName;
    std::string status; // the index id; "1" is the clustered index
    std::vector<IndexKeyColumn> keys;
    bool unique = false;
    KeyConstraint constraint = KeyConstraint::None;
    // False for a snapshot written before uniqueness, key constraints and
    // key directions were recorded: those facts are then unknown, taken as
    // plain, ascending and not unique, and never compared.
    bool carriesKeyFacts = false;

    bool clustered() const noexcept { return status == "1"; }
    bool isPrimaryKey() const noexcept { return constraint == KeyConstraint::PrimaryKey; }
    bool isKeyConstraint() const noexcept { return constraint != KeyConstraint::None; }
};

// Two indexes define the same index (their names aside): the same key
// columns in the same order, byte for byte, the same clustered marking and,
// where both sides know them, the same uniqueness, key constraint and key
// directions.
bool sameDefinition(const IndexDefinition& a, const IndexDefinition& b);

} // namespace dbc
