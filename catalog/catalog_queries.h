#pragma once

// Every query the program sends to SQL Server's catalog, text for text (runs
// of blanks and trailing blanks included): servers and tests key on these
// exact texts. The capture of a source and the compare's reading of a target
// ask for the same facts with texts that differ in aliases and blanks; each
// pair stands side by side.

namespace dbc::catalog {

// The compare's question for the target database's default collation, read
// once per run: it decides how names are matched (name_key.h).
inline constexpr const char* targetCollation =
    "SELECT DATABASEPROPERTYEX(DB_NAME(), 'Collation') AS Collation";

// One row per column of every user table, with its scale. The type is joined
// by the column's declared type (xusertype), so a column of an alias type
// reads once, under the alias's name; sysname (256) reads as its base type
// nvarchar.
inline constexpr const char* captureColumns =
    "SELECT a.name, a.id, a.prec as length, a.scale, a.xtype,a.IsNullable,a.TypeStat,a.Collation,"
    "a.colstat as colstat, b.name AS TypeName, c.name AS tablename  FROM syscolumns a INNER JOIN "
    "systypes b ON b.xusertype = CASE a.xusertype WHEN 256 THEN a.xtype ELSE a.xusertype END "
    "AND a.id>1000 INNER JOIN  sysobjects c ON c.id = a.id AND c.xtype = 'u'   ORDER BY "
    "TableName,a.name ";
inline constexpr const char* targetColumns =
    "SELECT a.name as FieldName, a.id, a.prec as FieldLength, a.scale as FieldScale, "
    "a.xtype,a.IsNullable,a.TypeStat,a.Collation,a.colstat as colstat, b.name AS FieldType, "
    "c.name AS tablename  FROM syscolumns a INNER JOIN systypes b ON b.xusertype = CASE "
    "a.xusertype WHEN 256 THEN a.xtype ELSE a.xusertype END AND a.id>1000 INNER JOIN  "
    "sysobjects c ON c.id = a.id AND c.xtype = 'u'   ORDER BY TableName,a.name ";

// The capture's question for the seed and increment of a table's identity
// column: the parts around the table's name, which goes in twice as an
// N'...' literal of the bracketed name.
inline constexpr const char* identitySeedBefore = "SELECT IDENT_SEED(";
inline constexpr const char* identitySeedBetween = ") AS IdentSeed, IDENT_INCR(";
inline constexpr const char* identitySeedAfter = ") AS IdentIncr";

// The capture's question for the columns of user tables that are ROWGUIDCOL
// or IDENTITY ... NOT FOR REPLICATION: one row each.
inline constexpr const char* captureColumnMarks =
    "SELECT o.name AS TableName, c.name AS FieldName, COLUMNPROPERTY(c.id, c.name, "
    "'IsRowGuidCol') AS IsRowGuidCol, COLUMNPROPERTY(c.id, c.name, 'IsIdNotForRepl') AS "
    "IsIdNotForRepl FROM syscolumns c INNER JOIN sysobjects o ON o.id = c.id WHERE o.xtype = "
    "'U' AND (COLUMNPROPERTY(c.id, c.name, 'IsRowGuidCol') = 1 OR COLUMNPROPERTY(c.id, c.name, "
    "'IsIdNotForRepl') = 1)";

// One row per key column of every index of a user table, with the index's
// uniqueness and key constraint (sysindexes.status bits 2, 2048 and 4096) and
// the key column's direction.
inline constexpr const char* captureIndexKeys =
    "SELECT a.indid as status, a.name AS IndexName, b.indid, b.colid, b.keyno AS "
    "IndexFieldOrder, c.name AS tablename, d.name AS IndexField"
    ", CASE WHEN (a.status & 2) <> 0 THEN '1' ELSE '0' END AS IsUnique, CASE WHEN (a.status & "
    "2048) <> 0 THEN 'PK' WHEN (a.status & 4096) <> 0 THEN 'UQ' ELSE '' END AS KeyConstraint, "
    "INDEXKEY_PROPERTY(a.id, a.indid, b.keyno, 'IsDescending') AS IsDescending"
    "  FROM sysindexes a INNER JOIN   "
    "sysindexkeys b ON a.id = b.id AND a.indid = b.indid INNER JOIN  sysobjects c ON a.id = c.id "
    "INNER JOIN  syscolumns d ON a.id = d.id AND b.colid = d.colid  WHERE     (c.xtype = 'u') "
    "and a.status>0 and a.status<8000000    ORDER BY TableName, IndexName, IndexFieldOrder  ";
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

// One row per default constraint on a column of a user table.
inline constexpr const char* captureDefaults =
    "SELECT a.name AS DFName, b.name AS TableName,c.Text as DFValue,d.name as FieldName   FROM "
    "sysobjects a INNER JOIN      sysobjects b ON a.parent_obj = b.id Inner Join sysComments c on "
    "a.id=C.id inner join syscolumns d       on (a.type = 'D') AND (a.status >= 0) AND (b.type = "
    "'U') AND (b.status >= 0)  and a.parent_obj=d.id and a.info=d.colid  ";
inline constexpr const char* targetDefaults =
    "SELECT a.name AS DFName, b.name AS TableName,c.Text as DFValue,d.name as FieldName   "
    "FROM sysobjects a INNER JOIN      sysobjects b ON a.parent_obj = b.id Inner Join "
    "sysComments c on a.id=C.id inner join syscolumns d       on (a.type = 'D') AND "
    "(a.status >= 0) AND (b.type = 'U') AND (b.status >= 0)  and a.parent_obj=d.id and  "
    "a.info=d.colid   order by a.name";

// The foreign keys between user tables: one row per key column, with the
// referenced column of the same position, the key's cascading actions and its
// state (disabled, NOT FOR REPLICATION, not trusted). The capture and the
// compare ask the same question.
inline constexpr const char* targetForeignKeys =
    "SELECT o.name AS FKName, t.name AS TableName, tc.name AS FieldName, r.name AS "
    "RefTableName, rc.name AS RefFieldName, k.keyno AS KeyOrder, "
    "OBJECTPROPERTY(k.constid, 'CnstIsDeleteCascade') AS DeleteCascade, "
    "OBJECTPROPERTY(k.constid, 'CnstIsUpdateCascade') AS UpdateCascade, "
    "OBJECTPROPERTY(k.constid, 'CnstIsDisabled') AS IsDisabled, "
    "OBJECTPROPERTY(k.constid, 'CnstIsNotRepl') AS NotForReplication, "
    "OBJECTPROPERTY(k.constid, 'CnstIsNotTrusted') AS NotTrusted FROM sysforeignkeys k "
    "INNER JOIN sysobjects o ON o.id = k.constid INNER JOIN sysobjects t ON t.id = k.fkeyid "
    "INNER JOIN syscolumns tc ON tc.id = k.fkeyid AND tc.colid = k.fkey INNER JOIN sysobjects "
    "r ON r.id = k.rkeyid INNER JOIN syscolumns rc ON rc.id = k.rkeyid AND rc.colid = k.rkey "
    "WHERE t.xtype = 'U' AND r.xtype = 'U' ORDER BY FKName, KeyOrder";
inline constexpr const char* captureForeignKeys = targetForeignKeys;

// The CHECK constraints of user tables: one row per text row of each, with the
// column a column-level one was declared on (NULL for a table-level one), NOT
// FOR REPLICATION and whether it is disabled. The capture and the compare ask
// the same question.
inline constexpr const char* checkConstraints =
    "SELECT o.name AS CKName, t.name AS TableName, c.name AS FieldName, m.text AS CKText, "
    "m.colid AS TextOrder, OBJECTPROPERTY(o.id, 'CnstIsNotRepl') AS NotForReplication, "
    "OBJECTPROPERTY(o.id, 'CnstIsDisabled') AS Disabled FROM sysobjects o INNER JOIN "
    "sysobjects t ON t.id = o.parent_obj INNER JOIN syscomments m ON m.id = o.id INNER JOIN "
    "sysconstraints s ON s.constid = o.id LEFT OUTER JOIN syscolumns c ON c.id = s.id AND "
    "c.colid = s.colid WHERE o.xtype = 'C' AND t.xtype = 'U' ORDER BY CKName, TextOrder";

// The capture's lists of procedures, views and triggers.
inline constexpr const char* captureProcedureNames =
    "Select Name From SysObjects where xtype='P' and Status>=0";
inline constexpr const char* captureViewNames =
    "Select Name From SysObjects where xtype='V' and Status>=0";
inline constexpr const char* captureTriggerNames =
    "Select Name From SysObjects where xtype='TR' and Status>=0";

// The compare's check that the target has a procedure, view or trigger of a
// name, followed by the name as an N'...' literal.
inline constexpr const char* procedureExists =
    "Select * From sysObjects where type='P' and Status>=0 and name=";
inline constexpr const char* viewExists =
    "Select * From sysObjects where type='V' and Status>=0 and name=";
inline constexpr const char* triggerExists =
    "Select * From sysObjects where type='TR' and Status>=0 and name=";

// An object's text rows, followed by its name as an N'...' literal: as the
// capture asks for them, and as the compare does.
inline constexpr const char* captureObjectText = "sp_helpText ";
inline constexpr const char* targetObjectText = "Exec sp_helpText ";

// The triggers of user tables with their tables, for a table rebuild (which
// drops a table's triggers with it and puts them back).
inline constexpr const char* tableTriggers =
    "SELECT o.name AS TriggerName, t.name AS TableName FROM sysobjects o INNER JOIN sysobjects t "
    "ON t.id = o.parent_obj WHERE o.xtype = 'TR' AND t.xtype = 'U' ORDER BY TriggerName";

// The objects a --drop-extra compare may drop when the snapshot lacks them:
// user tables, views, procedures, triggers and functions, each with its
// sysobjects type (U, V, P, TR, FN, IF, TF), the table a trigger is on, and
// whether its text is encrypted.
inline constexpr const char* droppableObjects =
    "SELECT o.name AS ObjectName, RTRIM(o.xtype) AS ObjectType, p.name AS ParentName, CASE WHEN "
    "EXISTS (SELECT * FROM syscomments c WHERE c.id = o.id AND c.encrypted = 1) THEN 1 ELSE 0 "
    "END AS Encrypted FROM sysobjects o LEFT OUTER JOIN sysobjects p ON p.id = o.parent_obj "
    "WHERE o.xtype IN ('U', 'V', 'P', 'TR', 'FN', 'IF', 'TF') AND o.status >= 0 ORDER BY "
    "ObjectName";

} // namespace dbc::catalog
