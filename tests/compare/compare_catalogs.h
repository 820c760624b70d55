#pragma once

#include "catalog/object_kinds.h"
#include "script/change.h"
#include "script/script_buffer.h"
#include "tests/compare/catalog_rows.h"
#include "tests/script/fake_connection.h"

#include <optional>
#include <string>
#include <vector>

namespace dbc::test {

// How the tests expect one object category to be read, written out here
// independently of the code under test.
struct ObjectTables {
    std::string nameListQuery;
    std::string storedRowsQuery;
    std::string nameField;
    std::string textField;
    std::string typeCode; // sysObjects type in the existence query
};

extern const ObjectTables procedureTables;
extern const ObjectTables viewTables;
extern const ObjectTables triggerTables;
extern const ObjectTables functionTables;

// An object of the snapshot: its stored text rows.
struct StoredObject {
    std::string name;
    std::vector<std::string> rows;
};

// An object that exists in the target: its sp_helptext rows, or nothing when
// sp_helptext fails with `error` (an encrypted object).
struct TargetObject {
    std::string name;
    std::optional<std::vector<std::string>> text;
    std::string error = "The text for object is encrypted.";
};

// "Select * From sysObjects where type='<type>' and Status>=0 and name=N'<name>'",
// for "FN" type IN ('FN','IF','TF').
std::string existenceQuery(const std::string& typeCode, const std::string& name);
// "Exec sp_helpText N'<name>'".
std::string textQuery(const std::string& name);

// The target column, index and default queries, text for text.
extern const std::string targetColumnQuery;
extern const std::string targetIndexQuery;
extern const std::string targetDefaultQuery;
extern const std::string targetForeignKeyQuery;
extern const std::string targetCollationQuery;
extern const std::string checkQuery;
extern const std::string computedColumnQuery;
extern const std::string aliasTypeQuery;

// The snapshot store and the target of a compare run. Every category's
// queries are answered with empty results until a test sets rows; the
// target's collation is Chinese_PRC_CI_AS until a test sets another.
struct Catalogs {
    FakeConnection store;
    FakeConnection target;

    Catalogs();
    // `computedLayout`: the store keeps computed definitions (the target's
    // are then asked for, see setComputed).
    void setColumns(const std::vector<Col>& snapshot, const std::vector<Col>& targetSide,
                    bool earlierStoreLayout = false, bool computedLayout = false);
    // The target's computed columns: rows of table, column, definition.
    void setComputed(const std::vector<std::vector<std::string>>& targetSide);
    // Alias type rows (name, base type, length, scale, "1"/"0" nullable).
    // No snapshot rows: a store without SourceType.
    void setAliasTypes(const std::optional<std::vector<std::vector<std::string>>>& snapshot,
                       const std::vector<std::vector<std::string>>& targetSide);
    void setIndexes(const std::vector<Key>& snapshot, const std::vector<Key>& targetSide);
    void setObjects(const ObjectTables& tables, const std::vector<StoredObject>& snapshot,
                    const std::vector<TargetObject>& targetSide);
    // Functions as setObjects sets them; no snapshot objects: a store
    // without SourceFN.
    void setFunctions(const std::optional<std::vector<StoredObject>>& snapshot,
                      const std::vector<TargetObject>& targetSide);
    void setDefaults(const std::vector<Df>& snapshot, const std::vector<Df>& targetSide);
    void setTargetCollation(const std::string& collation);
    // Foreign key column rows (name, table, column, referenced table,
    // referenced column, then "1" or "0" for ON DELETE CASCADE, ON UPDATE
    // CASCADE, NOT FOR REPLICATION and disabled; missing flags are "0"), key
    // positions counted per name. No snapshot rows: a store without SourceFK.
    void setForeignKeys(const std::optional<std::vector<std::vector<std::string>>>& snapshot,
                        const std::vector<std::vector<std::string>>& targetSide);
    // CHECK constraint rows (name, table, column, definition, then "1" or "0"
    // for NOT FOR REPLICATION and disabled). No snapshot rows: a store
    // without SourceCK.
    void setChecks(const std::optional<std::vector<std::vector<std::string>>>& snapshot,
                   const std::vector<std::vector<std::string>>& targetSide);
};

// One part of a compare run over the catalogs, its changes added to
// `buffer` as the run adds them; returns what the part returns.
bool compareTables(const Result& snapshotColumns, const Result& tableNames,
                   const Result& targetColumns, ScriptBuffer& buffer);
bool compareIndexes(Connection& store, Connection& target, ScriptBuffer& buffer);
bool compareObjects(const ObjectKind& kind, Connection& store, Connection& target,
                    ScriptBuffer& buffer);
void compareDefaults(Connection& store, Connection& target, ScriptBuffer& buffer);

} // namespace dbc::test
