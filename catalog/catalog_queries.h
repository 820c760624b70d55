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

// The definitions of the computed columns of user tables: one row per text
// row (syscomments keeps a computed column's definition under its table's id
// with number = the column's colid, in rows of at most 4000 characters). The
// capture and the compare ask the same question.
inline constexpr const char* computedColumns =
    "SELECT o.name AS TableName, c.name AS FieldName, m.text AS Definition, m.colid AS "
    "TextOrder FROM syscolumns c INNER JOIN sysobjects o ON o.id = c.id INNER JOIN syscomments "
    "m ON m.id = c.id AND m.number = c.colid WHERE o.xtype = 'U' AND c.iscomputed = 1 ORDER BY "
    "TableName, FieldName, TextOrder";

// The same facts from SQL Server 2005 on: each definition whole, in one row.
inline constexpr const char* viewComputedColumns =
    "SELECT t.name AS TableName, s.name AS SchemaName, c.name AS FieldName, c.definition AS "
    "Definition, 1 AS TextOrder FROM sys.computed_columns c INNER JOIN sys.tables t ON "
    "t.object_id = c.object_id INNER JOIN sys.schemas s ON s.schema_id = t.schema_id ORDER BY "
    "TableName, SchemaName, FieldName";

// The alias types (sp_addtype) with their base types: user types number their
// xusertype above sysname's 256, and the base is the built-in type of their
// xtype. The capture and the compare ask the same question.
inline constexpr const char* aliasTypes =
    "SELECT t.name AS TypeName, b.name AS BaseType, t.prec AS Length, t.scale AS Scale, "
    "t.allownulls AS AllowNulls FROM systypes t INNER JOIN systypes b ON b.xusertype = t.xtype "
    "WHERE t.xusertype > 256 ORDER BY TypeName";

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

// The capture's lists of procedures, views, triggers and functions.
inline constexpr const char* captureProcedureNames =
    "Select Name From SysObjects where xtype='P' and Status>=0";
inline constexpr const char* captureViewNames =
    "Select Name From SysObjects where xtype='V' and Status>=0";
inline constexpr const char* captureTriggerNames =
    "Select Name From SysObjects where xtype='TR' and Status>=0";
// User-defined functions of the three kinds SQL Server 2000 keeps: scalar
// (FN), inline table-valued (IF) and multi-statement table-valued (TF).
inline constexpr const char* captureFunctionNames =
    "Select Name From SysObjects where xtype IN ('FN','IF','TF') and Status>=0";

// The compare's check that the target has a procedure, view, trigger or
// function of a name, followed by the name as an N'...' literal.
inline constexpr const char* procedureExists =
    "Select * From sysObjects where type='P' and Status>=0 and name=";
inline constexpr const char* viewExists =
    "Select * From sysObjects where type='V' and Status>=0 and name=";
inline constexpr const char* triggerExists =
    "Select * From sysObjects where type='TR' and Status>=0 and name=";
inline constexpr const char* functionExists =
    "Select * From sysObjects where type IN ('FN','IF','TF') and Status>=0 and name=";

// An object's text rows, followed by its name as an N'...' literal: as the
// capture asks for them, and as the compare does.
inline constexpr const char* captureObjectText = "sp_helpText ";
inline constexpr const char* targetObjectText = "Exec sp_helpText ";

// The release of the server, read once per capture and per compare: 8 is SQL
// Server 2000, read through the system tables above; 9 (2005) and later are
// read through the sys catalog views below.
inline constexpr const char* productVersion =
    "SELECT CAST(SERVERPROPERTY('ProductVersion') AS varchar(128)) AS ProductVersion";

// SQL Server 2005 and later: the same facts from the sys catalog views, one
// query each, the capture and the compare asking alike, each object with its
// schema (SchemaName; RefSchemaName for a foreign key's referenced table). Types are joined on
// user_type_id (an alias type reads once, under its own name), with the base
// type of an alias beside it; lengths come in bytes (max_length, -1 for
// max) and are turned into the characters the model keeps by the reader.
inline constexpr const char* viewColumns =
    "SELECT c.name AS FieldName, t.name AS TableName, s.name AS SchemaName, ty.name AS "
    "FieldType, bt.name AS BaseType, ty.is_user_defined AS IsUserDefined, c.max_length AS "
    "MaxLength, c.precision AS FieldPrecision, c.scale AS FieldScale, c.is_nullable AS "
    "IsNullable, c.collation_name AS Collation, c.is_identity AS IsIdentity, c.is_rowguidcol AS "
    "IsRowGuidCol, CAST(ic.seed_value AS varchar(40)) AS IdentSeed, CAST(ic.increment_value AS "
    "varchar(40)) AS IdentIncr, ic.is_not_for_replication AS IdentNotForRepl FROM sys.tables t "
    "INNER JOIN sys.schemas s ON s.schema_id = t.schema_id INNER JOIN sys.columns c ON "
    "c.object_id = t.object_id INNER JOIN sys.types ty ON ty.user_type_id = c.user_type_id LEFT "
    "OUTER JOIN sys.types bt ON bt.user_type_id = c.system_type_id LEFT OUTER JOIN "
    "sys.identity_columns ic ON ic.object_id = c.object_id AND ic.column_id = c.column_id WHERE "
    "t.is_ms_shipped = 0 ORDER BY TableName, SchemaName, FieldName";

// One row per key and included column of every index of a user table (heaps
// and hypothetical indexes left out), keys in key order, then the included
// columns in the order they were declared; 2008 and later with the filter.
#define DBC_VIEW_INDEX_HEAD                                                                        \
    "SELECT t.name AS TableName, s.name AS SchemaName, i.name AS IndexName, i.index_id AS "        \
    "IndexId, i.is_unique AS IsUnique, i.is_primary_key AS IsPrimaryKey, i.is_unique_constraint "  \
    "AS IsUniqueConstraint, c.name AS IndexField, ic.key_ordinal AS KeyOrdinal, "                  \
    "ic.index_column_id AS IndexColumnId, ic.is_descending_key AS IsDescending, "                  \
    "ic.is_included_column AS IsIncluded"
#define DBC_VIEW_INDEX_TAIL                                                                        \
    " FROM sys.indexes i INNER JOIN sys.tables t ON t.object_id = i.object_id INNER JOIN "         \
    "sys.schemas s ON s.schema_id = t.schema_id INNER JOIN sys.index_columns ic ON ic.object_id "  \
    "= i.object_id AND ic.index_id = i.index_id INNER JOIN sys.columns c ON c.object_id = "        \
    "ic.object_id AND c.column_id = ic.column_id WHERE i.index_id > 0 AND i.is_hypothetical = 0 "  \
    "AND t.is_ms_shipped = 0 ORDER BY TableName, SchemaName, IndexName, IsIncluded, KeyOrdinal, "  \
    "IndexColumnId"
inline constexpr const char* viewIndexKeys2005 = DBC_VIEW_INDEX_HEAD DBC_VIEW_INDEX_TAIL;
inline constexpr const char* viewIndexKeys =
    DBC_VIEW_INDEX_HEAD ", i.has_filter AS HasFilter, i.filter_definition AS "
                        "FilterDefinition" DBC_VIEW_INDEX_TAIL;
#undef DBC_VIEW_INDEX_HEAD
#undef DBC_VIEW_INDEX_TAIL

// One row per default constraint on a column of a user table.
inline constexpr const char* viewDefaults =
    "SELECT d.name AS DFName, t.name AS TableName, s.name AS SchemaName, d.definition AS DFValue, "
    "c.name AS FieldName FROM sys.default_constraints d INNER JOIN sys.tables t ON t.object_id = "
    "d.parent_object_id INNER JOIN sys.schemas s ON s.schema_id = t.schema_id INNER JOIN "
    "sys.columns c ON c.object_id = d.parent_object_id AND c.column_id = d.parent_column_id "
    "ORDER BY DFName, SchemaName";

// The foreign keys between user tables, one row per key column; referential
// action 1 is CASCADE (2 SET NULL and 3 SET DEFAULT are read as no action:
// SQL Server 2000 has neither, and the model keeps CASCADE alone).
inline constexpr const char* viewForeignKeys =
    "SELECT f.name AS FKName, t.name AS TableName, s.name AS SchemaName, tc.name AS FieldName, "
    "r.name AS RefTableName, rs.name AS RefSchemaName, rc.name AS RefFieldName, "
    "k.constraint_column_id AS KeyOrder, "
    "CASE WHEN f.delete_referential_action = 1 THEN 1 ELSE 0 END AS DeleteCascade, CASE WHEN "
    "f.update_referential_action = 1 THEN 1 ELSE 0 END AS UpdateCascade, "
    "f.is_disabled AS IsDisabled, f.is_not_for_replication AS NotForReplication, "
    "f.is_not_trusted AS NotTrusted FROM sys.foreign_keys f INNER JOIN sys.foreign_key_columns "
    "k ON k.constraint_object_id = f.object_id INNER JOIN sys.tables t ON t.object_id = "
    "k.parent_object_id INNER JOIN sys.columns tc ON tc.object_id = k.parent_object_id AND "
    "tc.column_id = k.parent_column_id INNER JOIN sys.tables r ON r.object_id = "
    "k.referenced_object_id INNER JOIN sys.columns rc ON rc.object_id = k.referenced_object_id "
    "AND rc.column_id = k.referenced_column_id INNER JOIN sys.schemas s ON s.schema_id = "
    "t.schema_id INNER JOIN sys.schemas rs ON rs.schema_id = r.schema_id ORDER BY FKName, "
    "SchemaName, KeyOrder";

// The CHECK constraints of user tables, each definition whole.
inline constexpr const char* viewChecks =
    "SELECT k.name AS CKName, t.name AS TableName, s.name AS SchemaName, c.name AS FieldName, "
    "k.definition AS CKText, k.is_not_for_replication AS NotForReplication, k.is_disabled AS "
    "Disabled FROM sys.check_constraints k INNER JOIN sys.tables t ON t.object_id = "
    "k.parent_object_id INNER JOIN sys.schemas s ON s.schema_id = t.schema_id LEFT OUTER JOIN "
    "sys.columns c ON c.object_id = k.parent_object_id AND c.column_id = k.parent_column_id "
    "ORDER BY CKName, SchemaName";

// The procedures, views or triggers with their whole texts (NULL for an
// object created WITH ENCRYPTION): these parts around the condition on the
// type (ObjectKind::typeCondition).
inline constexpr const char* viewModulesBefore =
    "SELECT o.name AS Name, s.name AS SchemaName, m.definition AS Definition FROM sys.objects o "
    "INNER JOIN sys.schemas s ON s.schema_id = o.schema_id LEFT OUTER JOIN sys.sql_modules m ON "
    "m.object_id = o.object_id WHERE o.is_ms_shipped = 0 AND o.type ";
inline constexpr const char* viewModulesAfter = " ORDER BY Name, SchemaName";

// The target's schemas (SQL Server 2005 and later), read once by a compare
// whose script creates an object outside dbo.
inline constexpr const char* targetSchemas = "SELECT name AS SchemaName FROM sys.schemas";

// The triggers of user tables with their tables, for a table rebuild (which
// drops a table's triggers with it and puts them back).
inline constexpr const char* tableTriggers =
    "SELECT o.name AS TriggerName, t.name AS TableName FROM sysobjects o INNER JOIN sysobjects t "
    "ON t.id = o.parent_obj WHERE o.xtype = 'TR' AND t.xtype = 'U' ORDER BY TriggerName";

// The same from SQL Server 2005 on, each trigger in its table's schema.
inline constexpr const char* viewTableTriggers =
    "SELECT o.name AS TriggerName, t.name AS TableName, s.name AS SchemaName FROM sys.objects o "
    "INNER JOIN sys.tables t ON t.object_id = o.parent_object_id INNER JOIN sys.schemas s ON "
    "s.schema_id = t.schema_id WHERE o.type = 'TR' ORDER BY TriggerName, SchemaName";

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
// The same from SQL Server 2005 on, each with its schema (a trigger's is its
// table's); an encrypted module's definition reads as NULL.
inline constexpr const char* viewDroppableObjects =
    "SELECT o.name AS ObjectName, s.name AS SchemaName, RTRIM(o.type) AS ObjectType, p.name AS "
    "ParentName, CASE WHEN m.object_id IS NOT NULL AND m.definition IS NULL THEN 1 ELSE 0 END "
    "AS Encrypted FROM sys.objects o INNER JOIN sys.schemas s ON s.schema_id = o.schema_id LEFT "
    "OUTER JOIN sys.objects p ON p.object_id = o.parent_object_id LEFT OUTER JOIN "
    "sys.sql_modules m ON m.object_id = o.object_id WHERE o.type IN ('U', 'V', 'P', 'TR', 'FN', "
    "'IF', 'TF') AND o.is_ms_shipped = 0 ORDER BY ObjectName, SchemaName";

} // namespace dbc::catalog
