#pragma once

#include "script/change.h"

#include <map>
#include <set>
#include <string>
#include <vector>

namespace dbc {

// What rows a statement of the script concerns when the table holds them.
enum class RowRisk {
    // The statement changes or loses stored values (a dropped column, a
    // value cut to a shorter length, rounded to a lower scale, or one that no
    // longer fits the new type); execute runs it only when allowed.
    ValuesLost,
    // The server refuses the statement over such rows (NULLs under NOT NULL,
    // duplicates under a unique key, rows breaking a foreign key or CHECK, a
    // NOT NULL column added without a default): nothing is lost, the
    // statement fails.
    Refused,
    // The rows are copied into a rebuilt table and kept; listed so that the
    // user sees how many rows the statement moves. What its column changes
    // would cut or round is a finding of its own (ValuesLost).
    Copied,
};

// What the rows a counting query counts are; each front end words it.
enum class RowConcern {
    DroppedValues,     // non-NULL values of a dropped column
    CutValues,         // values longer than a column's new length
    RoundedValues,     // values rounded, or out of the new numeric type's range
    NullsUnderNotNull, // NULLs in a column made NOT NULL
    NewColumnNoValue,  // rows without a value for a new NOT NULL column
    DuplicateKeys,     // rows sharing their key under a new unique index or key
    MissingReferences, // rows whose foreign key references no row
    CheckFails,        // rows a new CHECK is false for
    // For the records that come with table rebuilds and surplus tables: a
    // table dropped with its rows (--drop-extra), a table rebuilt, its rows
    // copied into the new one (values converted as an Alter would).
    TableRowsDropped,
    TableRebuilt,
    // Values the new type refuses to take (text that is no number for a
    // numeric type: 245, 8114; beyond its range: 248, 8115): the Alter fails.
    UnconvertibleValues,
};

// The concern in a few English words, for the command line.
const char* concernText(RowConcern concern) noexcept;

// Whether the statement changes values or is refused over such rows.
RowRisk riskOf(RowConcern concern) noexcept;

// One counting query: `sql` answers one row with one value, the number of
// rows concerned.
struct RowCountQuery {
    std::string sql;
    RowConcern concern = RowConcern::DroppedValues;
};

// The tables and columns the script itself creates: they hold no rows yet,
// and a query naming one would fail before the script has run.
class ScriptedObjects {
public:
    explicit ScriptedObjects(const ChangeList& changes);

    bool newTable(const std::string& table) const;
    bool newColumn(const std::string& table, const std::string& column) const;

    // Alias types and their base types: those the script creates, and those
    // of the target (addAliasType); a column of one is counted as a column of
    // its base type with the column's own length.
    void addAliasType(const std::string& name, const std::string& baseType);
    Column resolved(Column column) const;

private:
    std::set<std::string> m_tables;
    std::set<std::string> m_columns;
    std::map<std::string, std::string> m_aliasBases;
};

// The counting queries of one change: none for a change that cannot lose or
// change stored values (and for one on a table the script creates). Each
// kind of change record answers here; a new kind that touches rows (a table
// rebuild, a table dropped) adds its case to the visitor `QueriesOf` in the
// .cpp, e.g. "SELECT COUNT_BIG(*) FROM <table>" with TableRowsDropped.
// Every name in the SQL is bracketed with its "]" doubled.
std::vector<RowCountQuery> rowCountQueries(const ChangeRecord& change,
                                           const ScriptedObjects& scripted);

// The values a NOT NULL column takes for the moment it is added to a table
// with rows (--fill-new-columns): 0, '', 0x, the zero date '19000101' or the
// zero uniqueidentifier; empty for a type without one (an alias type,
// sql_variant, timestamp).
std::string emptyValueOf(const Column& column);

// True when an Add of this column to a table with rows is refused for want of
// a value (4901): NOT NULL, no default carried, neither identity nor
// timestamp.
bool addNeedsValue(const AddColumn& change);

// The statement that makes the values of an Alter fit its new type before
// it runs: "UPDATE <t> SET <c> = CAST(<c> AS <type>(<n>)) WHERE ...", for a
// character or binary column cut shorter; for an exact numeric type that
// cannot hold every old value, "UPDATE <t> SET <c> = CASE WHEN <c> > <max>
// THEN <max> ELSE <min> END WHERE <c> > <max> OR <c> < <min>": a value beyond
// the new type's range becomes its largest or smallest value (decimal(5,2):
// 999.99 and -999.99; tinyint: 255 and 0), the rest is rounded by the Alter
// itself. Empty for any other change.
std::string fittingUpdate(const AlterColumn& change);

} // namespace dbc
