#pragma once

#include "sqlite_db.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace testserver {

struct ObjectRow {
    long long id = 0;
    std::string name;
    std::string xtype; // trimmed, upper case: U, P, V, TR, D, PK, UQ, S
    long long parent = 0;
    int info = 0;
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
} // namespace indexstatus

// Reads and writes the system tables of one catalog for the DDL statements.
class Catalog {
public:
    Catalog(SqliteDb& db, std::string databaseName);

    SqliteDb& db() noexcept { return m_db; }
    const std::string& databaseName() const noexcept { return m_databaseName; }

    std::optional<ObjectRow> findObject(std::string_view name);
    // A user table (xtype U) of that name.
    std::optional<ObjectRow> findTable(std::string_view name);
    std::vector<ObjectRow> childObjects(long long parentId);

    std::vector<ColumnRow> columns(long long tableId);
    std::optional<ColumnRow> findColumn(long long tableId, std::string_view name);

    // Rows of sysindexes with indid 1..250 (indexes and statistics).
    std::vector<IndexRow> indexes(long long tableId);

    // The database's default collation.
    std::string collation();

    long long newObjectId();
    void insertObject(const std::string& name, long long id, std::string_view xtype,
                      long long parent = 0, int info = 0);
    // Stores text in syscomments in pieces of at most 4000 characters.
    void insertComments(long long id, const std::string& text, bool encrypted);
    void deleteObject(long long id);

    // The heap row (indid 0) a table has while it has no clustered index.
    void setHeapRow(long long tableId, bool present);
    void insertIndex(long long tableId, int indid, const std::string& name, long long status,
                     const std::vector<int>& colids);
    void deleteIndex(long long tableId, int indid);
    int freeIndexId(long long tableId);

private:
    SqliteDb& m_db;
    std::string m_databaseName;
};

} // namespace testserver
