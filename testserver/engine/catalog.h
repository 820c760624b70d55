#pragma once

#include "testserver/engine/catalog_db.h"
#include "testserver/engine/object_name.h"
#include "testserver/engine/schema_resolution.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace testserver {

struct ObjectRow {
    long long id = 0;
    std::string name;
    std::string xtype; // trimmed, upper case: U, P, V, TR, D, R, PK, UQ, F, C, S
    long long parent = 0;
    int info = 0;
    long long status = 0;
    long long schemaId = kDboSchema; // sysobjects.uid
};

// A FOREIGN KEY constraint with its column pairs in key order.
struct ForeignKeyRow {
    long long id = 0;
    std::string name;
    long long table = 0;                      // the referencing table
    long long referenced = 0;                 // the referenced table
    std::vector<std::pair<int, int>> columns; // referencing colid, referenced colid
};

struct ColumnRow {
    long long id = 0;
    int colid = 0;
    std::string name;
    int xtype = 0;
    int length = 0;
    std::optional<int> prec;
    std::optional<int> scale;
    bool nullable = true;
    bool identity = false;
    std::optional<std::string> collation;
    long long cdefault = 0;
};

struct IndexRow {
    int indid = 0;
    std::string name;
    long long status = 0;
    std::vector<int> colids; // key columns in key order
};

// sysconstraints.status: the kind in the low bits, 16 or 32 for a column-
// or table-level constraint.
namespace constraintstatus {
inline constexpr int kPrimaryKey = 1;
inline constexpr int kUnique = 2;
inline constexpr int kForeignKey = 3;
inline constexpr int kCheck = 4;
inline constexpr int kDefault = 5;
inline constexpr int kColumnLevel = 16;
inline constexpr int kTableLevel = 32;
} // namespace constraintstatus

// The engine's own bits: sysobjects.status of a CHECK or FOREIGN KEY
// constraint, sysconstraints.actions of a FOREIGN KEY.
namespace cnststatus {
inline constexpr long long kDisabled = 0x800;
inline constexpr long long kNotTrusted = 0x4000;
inline constexpr long long kNotForReplication = 0x200000;
inline constexpr int kDeleteCascade = 1;
inline constexpr int kUpdateCascade = 2;
} // namespace cnststatus

// sysindexes status bits as SQL Server 2000 documents them, plus the bits
// that mark statistics and indexes created by CREATE INDEX.
namespace indexstatus {
inline constexpr long long kUnique = 2;
inline constexpr long long kClustered = 16;
inline constexpr long long kPrimaryKey = 2048;
inline constexpr long long kUniqueConstraint = 4096;
inline constexpr long long kCreatedIndex = 0x200000;                        // 2097152
inline constexpr long long kStatistics = 0x800000 | 0x200000 | 0x40 | 0x20; // 10485856
inline constexpr long long kStatisticsBit = 0x800000;
inline constexpr long long kIgnoreDuplicateKey = 1;
inline constexpr long long kPadIndex = 0x100;
inline constexpr long long kNoRecompute = 0x1000000;
} // namespace indexstatus

// A type added with sp_addtype, as systypes records it.
struct AliasTypeRow {
    std::string name;
    int xusertype = 0;
    int xtype = 0;
    int length = 0;
    int prec = 0;
    int scale = 0;
    bool allowNulls = true;
};

// Reads and writes the system tables of one catalog for the DDL statements.
class Catalog {
public:
    Catalog(CatalogDb& db, std::string databaseName);

    CatalogDb& db() noexcept { return m_db; }
    const std::string& databaseName() const noexcept { return m_databaseName; }

    // How names find objects here: the release's rules, and the schema of
    // the module whose body is being checked (setModuleSchema).
    NameScope scope() const;
    void setModuleSchema(long long schemaId) noexcept { m_moduleSchema = schemaId; }

    // The object a statement's name finds (schema_resolution.h).
    std::optional<ObjectRow> findObject(const ObjectName& name);
    // A user table (xtype U) the name finds.
    std::optional<ObjectRow> findTable(const ObjectName& name);
    // The object of that name in the schema (any owner before 2005): names
    // are unique within a schema, constraint names included.
    std::optional<ObjectRow> findInSchema(long long schemaId, std::string_view name);
    std::optional<ObjectRow> objectById(long long id);
    // The schema a new object of that name goes to: the one written, else
    // dbo; refused with 2760 when the schema written does not exist.
    long long schemaForNew(const ObjectName& name);
    std::vector<ObjectRow> childObjects(long long parentId);

    std::vector<ColumnRow> columns(long long tableId);
    std::optional<ColumnRow> findColumn(long long tableId, std::string_view name);

    // Rows of sysindexes with indid 1..250 (indexes and statistics).
    std::vector<IndexRow> indexes(long long tableId);

    // A type added with sp_addtype (xusertype above 256).
    std::optional<AliasTypeRow> findAliasType(std::string_view name);

    // The database's default collation.
    std::string collation();

    long long newObjectId();
    void insertObject(long long schemaId, const std::string& name, long long id,
                      std::string_view xtype, long long parent = 0, int info = 0,
                      long long status = 0);
    void setObjectStatus(long long id, long long status);
    // A row of sysconstraints.
    void insertConstraint(long long constid, long long tableId, int colid, int status,
                          int actions = 0);
    void insertForeignKey(const ForeignKeyRow& key);
    // FOREIGN KEY constraints that reference the table.
    std::vector<ForeignKeyRow> foreignKeysReferencing(long long tableId);
    // FOREIGN KEY constraints of the table.
    std::vector<ForeignKeyRow> foreignKeysOf(long long tableId);

    // IDENTITY (seed, increment) of a table's identity column.
    void setIdentity(long long tableId, int colid, const std::string& seed,
                     const std::string& increment, bool notForReplication = false);
    // Stores text in syscomments in pieces of at most 4000 characters, under
    // `number` (a computed column's colid; 0 for an object's own text).
    void insertComments(long long id, const std::string& text, bool encrypted, int number = 0);
    // Deletes the object with its text and its constraint rows.
    void deleteObject(long long id);
    // Deletes a table's column row and what belongs to it alone.
    void deleteColumn(long long tableId, int colid);

    // The heap row (indid 0) a table has while it has no clustered index.
    void setHeapRow(long long tableId, bool present);
    // An index's included columns (colids, in order) and filter text.
    void insertIndexExtras(long long tableId, int indid, const std::vector<int>& included,
                           const std::optional<std::string>& filter);
    void insertIndex(long long tableId, int indid, const std::string& name, long long status,
                     const std::vector<int>& colids, const std::vector<bool>& descending = {},
                     int fillFactor = 0);
    void deleteIndex(long long tableId, int indid);
    int freeIndexId(long long tableId);

private:
    CatalogDb& m_db;
    std::string m_databaseName;
    long long m_moduleSchema = kDboSchema;
};

} // namespace testserver
