#pragma once

// The SQL a compare run sends, text for text (runs of blanks and trailing
// blanks included): the test server and the tests key on these exact texts.

namespace dbc::queries {

// Snapshot store: the column rows and the distinct table names.
inline constexpr const char* storeColumns =
    "Select * From SourceTable Order by TableName,FieldName";
inline constexpr const char* storeTableNames =
    "Select TableName From SourceTable Group by TableName";

// Snapshot store: the index key rows and the tables that have index rows.
inline constexpr const char* storeIndexKeys =
    "Select * From SourceIndex Order by TableName,IndexName,IndexFieldOrder";
inline constexpr const char* storeIndexTableNames =
    "Select TableName From SourceIndex Group by TableName";

// Snapshot store: the default constraints.
inline constexpr const char* storeDefaults = "Select * From SourceDF Order by DFName";

// Target: one row per column of every user table.
inline constexpr const char* targetColumns =
    "SELECT a.name as FieldName, a.id, a.prec as FieldLength, "
    "a.xtype,a.IsNullable,a.TypeStat,a.Collation,a.colstat as colstat, b.name AS FieldType, "
    "c.name AS tablename  FROM syscolumns a INNER JOIN systypes b ON a.xtype = b.xtype AND "
    "a.id>1000 And  b.name <> 'sysname' INNER JOIN  sysobjects c ON c.id = a.id AND c.xtype "
    "= 'u'   ORDER BY TableName,a.name ";

// Target: one row per key column of every index of a user table, with the
// index's uniqueness and key constraint (sysindexes.status bits 2, 2048 and
// 4096) and the key column's direction.
inline constexpr const char* targetIndexKeys =
    "SELECT a.indid as status, a.name AS IndexName, b.indid, b.colid, b.keyno AS "
    "IndexFieldOrder, c.name AS tablename, d.name AS IndexField"
    ", CASE WHEN (a.status & 2) <> 0 THEN '1' ELSE '0' END AS IsUnique, CASE WHEN (a.status & "
    "2048) <> 0 THEN 'PK' WHEN (a.status & 4096) <> 0 THEN 'UQ' ELSE '' END AS KeyConstraint, "
    "INDEXKEY_PROPERTY(a.id, a.indid, b.keyno, 'IsDescending') AS IsDescending"
    "  FROM sysindexes a INNER "
    "JOIN   sysindexkeys b ON a.id = b.id AND a.indid = b.indid INNER JOIN  sysobjects c ON "
    "a.id = c.id INNER JOIN  syscolumns d ON a.id = d.id AND b.colid = d.colid  WHERE   "
    "(c.xtype = 'u') and a.status>0 and a.status<8000000    ORDER BY TableName, IndexName, "
    "IndexFieldOrder  ";

// Target: one row per default constraint on a column of a user table.
inline constexpr const char* targetDefaults =
    "SELECT a.name AS DFName, b.name AS TableName,c.Text as DFValue,d.name as FieldName   "
    "FROM sysobjects a INNER JOIN      sysobjects b ON a.parent_obj = b.id Inner Join "
    "sysComments c on a.id=C.id inner join syscolumns d       on (a.type = 'D') AND "
    "(a.status >= 0) AND (b.type = 'U') AND (b.status >= 0)  and a.parent_obj=d.id and  "
    "a.info=d.colid   order by a.name";

} // namespace dbc::queries
