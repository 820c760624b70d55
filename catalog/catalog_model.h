#pragma once

#include <optional>
#include <string>
#include <vector>

namespace dbc {

// A database's schema as the program sees it, filled from SQL Server's
// catalog or from a snapshot store. Every value is the text the catalog
// gives (numbers in plain decimal, a missing value as the empty text), so a
// statement written from the model carries exactly what was read. A table's
// or module's name (and so every `table` below) carries its schema when that
// is not dbo, as data/object_name.h describes; the names of columns, indexes
// and constraints are one-part (they live in their table's schema).

// One column of a user table.
struct Column {
    std::string table; // the table's name as this column's row spells it
    std::string name;
    std::string type; // systypes name: int, varchar, ...
    // syscolumns.prec: characters for character types, bytes for binary
    // ones, -1 for (max); the precision of other types.
    std::string length;
    std::string nullable;  // "0": NOT NULL
    std::string collation; // empty: none
    std::string typeStat;  // "2": the type takes a length
    std::string colStat;   // "1": an IDENTITY column
    // syscolumns.scale; empty where the catalog has NULL. The fractional
    // second digits of time, datetime2 and datetimeoffset.
    std::string scale;
    // False for a column read from a snapshot written before scales were
    // kept: its scale is unknown and not compared.
    bool scaleKnown = true;
    // An identity column's seed and increment as the source declared them;
    // empty on other columns, on the compare's target side, and in a snapshot
    // written before they were kept.
    std::string identSeed;
    std::string identIncr;
    // ROWGUIDCOL, and IDENTITY ... NOT FOR REPLICATION, as the source
    // declared them: written by Create Table and Add, never compared.
    bool rowGuidCol = false;
    bool identityNotForReplication = false;
    // A computed column's definition as the server keeps it (its text rows
    // joined); empty for a plain column. False for a column whose side was
    // not asked (a snapshot written before definitions were kept, or the
    // target of such a snapshot): whether it is computed is then unknown and
    // never compared.
    std::string computedDefinition = std::string();
    bool computedKnown = false;

    bool computed() const noexcept { return !computedDefinition.empty(); }
};

// A table and its columns, in the order they were read.
struct Table {
    std::string name;
    std::vector<Column> columns;
};

// One key column of an index.
struct IndexKey {
    std::string column;
    std::string position; // sysindexkeys.keyno, 1 for the first key
    bool descending = false;
};

// Which constraint, if any, an index enforces.
enum class KeyConstraint { None, PrimaryKey, Unique };

// "PK" and "UQ" as the catalog query and the snapshot give them; any other
// text is no constraint.
inline KeyConstraint keyConstraintFromText(const std::string& text) noexcept {
    return text == "PK"   ? KeyConstraint::PrimaryKey
           : text == "UQ" ? KeyConstraint::Unique
                          : KeyConstraint::None;
}

// An index of a user table with its key columns in the order they were read.
struct Index {
    std::string table; // the table's name as the index's first row spells it
    std::string name;
    std::string status; // sysindexes.indid: "1" for the clustered index
    std::vector<IndexKey> keys;
    bool unique = false;
    KeyConstraint constraint = KeyConstraint::None;
    // False for a snapshot written before uniqueness, key constraints and key
    // directions were recorded: those facts are then unknown (read as plain,
    // ascending, not unique) and never compared.
    bool carriesKeyFacts = false;
    // The included (non-key) columns in the order declared, and the filter
    // (the WHERE of a filtered index) as the server keeps it; SQL Server 2005
    // and later only: a SQL Server 2000 source, or a snapshot written before
    // they were kept, has none.
    std::vector<std::string> included = {};
    std::string filter = {};
    // True when read from SQL Server 2005 or later (or a snapshot of one):
    // only then are the included columns and the filter known and compared.
    bool carriesLaterFacts = false;

    bool clustered() const noexcept { return status == "1"; }
    bool isPrimaryKey() const noexcept { return constraint == KeyConstraint::PrimaryKey; }
    bool isKeyConstraint() const noexcept { return constraint != KeyConstraint::None; }
};

// The indexes of one table.
struct TableIndexes {
    std::string table;
    std::vector<Index> indexes;
};

// A procedure, view or trigger and its text as sp_helptext gives it: rows
// with their line ends, concatenated they are the creating statement.
struct ModuleText {
    std::string name;
    std::vector<std::string> rows;
};

// What the target says about a procedure, view or trigger the snapshot has:
// whether an object of that name and kind exists, and its text when the
// server gives it (not for an encrypted object).
struct TargetModule {
    std::string name;
    bool exists = false;
    std::optional<std::vector<std::string>> text;
};

// A default constraint on a column.
struct DefaultConstraint {
    std::string name;
    std::string table;
    std::string column;
    std::string value; // the definition, e.g. "(0)" or "(getdate())"
};

// A foreign key: the referencing table and columns and the referenced table
// and columns, pairwise in key order, its cascading actions and its state:
// disabled (NOCHECK CONSTRAINT), NOT FOR REPLICATION, and not trusted (added
// or enabled WITH NOCHECK, its rows never checked; read of the target only).
struct ForeignKey {
    std::string name;
    std::string table;
    std::vector<std::string> columns;
    std::string referencedTable;
    std::vector<std::string> referencedColumns;
    bool deleteCascade = false;
    bool updateCascade = false;
    bool notForReplication = false;
    bool disabled = false;
    bool notTrusted = false;
};

// A CHECK constraint: its table, the column it was declared on (empty for a
// table-level one), its definition as the server keeps it (the text rows
// joined), NOT FOR REPLICATION and whether it is disabled.
struct CheckConstraint {
    std::string name;
    std::string table;
    std::string column;
    std::string definition;
    bool notForReplication = false;
    bool disabled = false;
};

// An alias type (sp_addtype): its base type with the base's length (or
// precision) and scale as systypes gives them, and whether its columns allow
// NULL unless they say otherwise.
struct AliasType {
    std::string name;
    std::string baseType;
    std::string length; // systypes.prec: characters, or the precision
    std::string scale;  // systypes.scale; empty where the catalog has NULL
    bool nullable = true;
};

} // namespace dbc
