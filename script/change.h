#pragma once

#include "catalog/catalog_model.h"
#include "catalog/object_kinds.h"

#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace dbc {

// The changes a compare finds, each with the values its statement needs.
// statement_text.h turns each into its text; a new statement form is a new
// record here and a new function there.

// "use <database>": the first statement of every script.
struct UseDatabase {
    std::string database;
};

// A schema the target lacks that an object the script creates is in (SQL
// Server 2005 and later): created right after "use", each alone in its batch.
struct CreateSchema {
    std::string schema;
};

// A table the target lacks, with the snapshot's columns.
struct CreateTable {
    std::string table; // as the snapshot lists it
    std::vector<Column> columns;
};

// A column the target's table lacks: the snapshot's column, and the
// snapshot's default constraint of that column when the Add carries it (a
// NOT NULL column cannot be added to a table with rows without one).
struct AddColumn {
    Column column;
    std::optional<DefaultConstraint> carriedDefault;
};

// A column whose definition differs: the snapshot's column.
// `identityOnly`: the definitions differ in the identity flag alone, which
// ALTER COLUMN cannot change.
struct AlterColumn {
    Column column;
    bool identityOnly = false;
    // The target's column, for reports that show both definitions.
    std::optional<Column> targetColumn = std::nullopt;
};

// A column only the target has. `trailing` marks one found after the
// snapshot's last column of the table: its statement names the table as the
// target spells it and has two blanks before "Column"; any other names the
// table as the snapshot's column row spells it. `readded`: a computed column
// (or one computed on one side only) dropped to be added again in the
// snapshot's form by an AddColumn after the table's other column changes;
// what depends on it comes back after that Add.
struct DropColumn {
    std::string table;
    std::string column;
    bool trailing = false;
    bool readded = false;
};

// An index the target lacks or whose definition differs: the snapshot's index,
// its keys in key order.
struct CreateIndex {
    Index index;
    // The target's index of that name when it differs and is re-created,
    // for reports that show both definitions.
    std::optional<Index> targetIndex = std::nullopt;
};

// An index to drop: the table as the snapshot spells it, the index's name as
// the side that has it spells it; `keyConstraint` when the target's index
// enforces a primary key or unique constraint, which is dropped instead.
struct DropIndex {
    std::string table;
    std::string index;
    bool keyConstraint = false;
};

// A procedure, view, trigger or function to create from the snapshot's text.
struct CreateModule {
    const ObjectKind* kind;
    std::string name;
    std::string text; // the stored rows joined, nothing trimmed
    // The target's text (rows joined) when its object differs, for reports
    // that show a line diff.
    std::optional<std::string> targetText = std::nullopt;
};

// A procedure, view, trigger or function to drop before it is created anew.
// `textUnreadable`: the target would not give its text (an encrypted object),
// rather than giving a different one.
struct DropModule {
    const ObjectKind* kind;
    std::string name;
    bool textUnreadable = false;
};

// A default constraint the target lacks: the snapshot's constraint.
struct AddDefault {
    DefaultConstraint constraint;
};

// A default constraint only the target has.
struct DropDefault {
    std::string table;
    std::string name;
};

// A foreign key of the target dropped: one the snapshot lacks or has in
// another form, or one dropped before a change of a column or key it depends
// on.
struct DropForeignKey {
    ForeignKey key;
};

// A foreign key added: the snapshot's one the target lacks or has in another
// form, or the target's own put back after such a change.
struct AddForeignKey {
    ForeignKey key;
};

// A difference the script cannot make: `object` names what stays as the
// target has it (as the script writes names, "Emp.Salary"), `reason` says
// why. It stands in the script as a comment line where the statement would
// stand, and is never sent to the server.
struct UnscriptedChange {
    std::string object;
    std::string reason;
};

// A CHECK constraint added: the snapshot's.
struct AddCheck {
    CheckConstraint check;
    // Added WITH NOCHECK: its rows are not checked (a disabled CHECK put back
    // by a table rebuild).
    bool withNoCheck = false;
};

// A CHECK constraint of the target dropped.
struct DropCheck {
    std::string table;
    std::string name;
};

// An alias type the target lacks that a column the script creates, adds or
// alters is of: the snapshot's type.
struct AddAliasType {
    AliasType type;
};

// A CHECK or FOREIGN KEY constraint enabled or disabled, as the snapshot has
// it (or, for a key put back around a column change, as the target had it).
struct SetConstraintChecking {
    std::string table;
    std::string name;
    bool enabled = true;
};

// A table the target has and the snapshot lacks, dropped (--drop-extra) with
// its rows. `table` is the target's name, so a row count can be asked.
struct DropTable {
    std::string table;
};

// A procedure, view, trigger or function the target has and the snapshot
// lacks, dropped (--drop-extra). `kind` as the type column of sysobjects
// gives it: P, V, TR, FN, IF or TF.
struct DropExtraModule {
    std::string kind;
    std::string name;
};

// What a table rebuild puts back once the new table carries the old one's
// name, and the foreign keys it drops before the old table goes. A trigger is
// a CreateModule, run through EXEC (it must begin a batch of its own).
using RebuildStep = std::variant<DropForeignKey, CreateIndex, AddDefault, AddCheck, AddForeignKey,
                                 SetConstraintChecking, CreateModule>;

// A change a table rebuild carries out instead of its own statement, kept
// for reports of the compare.
using RebuiltChange = std::variant<AddColumn, AlterColumn, DropColumn, CreateIndex, DropIndex>;

// A table whose columns ALTER cannot bring into line (IDENTITY added or
// removed, a column of or to a type ALTER COLUMN cannot change), rebuilt in
// one transaction: created in the snapshot's form under `temporaryName`, the
// rows copied, the old table dropped after `dropsBefore`, the new one renamed
// to `table`, then `putBack`. The rows of `table` are what a data check
// counts.
struct RebuildTable {
    std::string table;    // the table's name once rebuilt: the snapshot's
    std::string oldTable; // the target's table, as the target spells it
    std::string temporaryName;
    std::vector<Column> columns; // the snapshot's, as Create Table writes them
    // The copy: the new table's columns given the old one's values, the old
    // table's columns in the same order, and new columns given a default
    // value expression (the snapshot's default of the column).
    std::vector<std::string> copiedColumns;
    std::vector<std::string> sourceColumns;
    std::vector<std::pair<std::string, std::string>> filledColumns;
    // SET IDENTITY_INSERT around the copy: the new table's identity column
    // takes the old values.
    bool identityInsert = false;
    std::vector<RebuildStep> dropsBefore;
    std::vector<RebuildStep> putBack;
    std::string reason; // why the table is rebuilt, for reports
    // The column and index changes of the table the rebuild makes.
    std::vector<RebuiltChange> replaced;
};

using ChangeRecord =
    std::variant<UseDatabase, CreateTable, AddColumn, AlterColumn, DropColumn, CreateIndex,
                 DropIndex, CreateModule, DropModule, AddDefault, DropDefault, DropForeignKey,
                 AddForeignKey, SetConstraintChecking, AddCheck, DropCheck, UnscriptedChange,
                 AddAliasType, RebuildTable, DropTable, DropExtraModule, CreateSchema>;

// One change in script order; `goBefore` puts a "Go" line before its text in
// the display (the statement list has no such lines).
struct Change {
    ChangeRecord record;
    bool goBefore = false;
};

using ChangeList = std::vector<Change>;

// True for a change that is a comment line of the script, not a statement.
inline bool isCommentOnly(const Change& change) noexcept {
    return std::holds_alternative<UnscriptedChange>(change.record);
}

} // namespace dbc
