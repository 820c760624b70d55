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

// Target: one row per column of every user table, with its scale. The type
// is joined by the declared type (xusertype), so a column of an alias type
// reads once, under the alias's name; sysname (256) reads as nvarchar.
inline constexpr const char* targetColumns =
    "SELECT a.name as FieldName, a.id, a.prec as FieldLength, a.scale as FieldScale, "
    "a.xtype,a.IsNullable,a.TypeStat,a.Collation,a.colstat as colstat, b.name AS FieldType, "
    "c.name AS tablename  FROM syscolumns a INNER JOIN systypes b ON b.xusertype = CASE "
    "a.xusertype WHEN 256 THEN a.xtype ELSE a.xusertype END AND a.id>1000 INNER JOIN  "
    "sysobjects c ON c.id = a.id AND c.xtype = 'u'   ORDER BY TableName,a.name ";

// Target: one row per key column of every index of a user table.
inline constexpr const char* targetIndexKeys =
    "SELECT a.indid as status, a.name AS IndexName, b.indid, b.colid, b.keyno AS "
    "IndexFieldOrder, c.name AS tablename, d.name AS IndexField  FROM sysindexes a INNER "
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
