// The sys catalog views over the SQLite catalog: one entry per view, its
// documented columns in order with the release each came in (a column of
// 2014 or 2017 shows from 2016 or 2019 on, the next release the server can
// answer as). Values the catalog does not hold (replication, FILESTREAM,
// encryption, ledger, temporal tables) answer as SQL Server does for an
// object without them. Sources: testserver/README.md, "Catalog views".

#include "testserver/engine/catalog_view_descriptions.h"

#include "testserver/engine/schema_resolution.h"

#include <string>

namespace testserver {

namespace {

using Columns = std::vector<CatalogViewColumn>;

Columns join(Columns first, const Columns& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

// The object columns every object view begins with (sys.objects), over
// sysobjects as "o".
const Columns& objectColumns() {
    static const Columns columns = {
        {"name", "o.name"},
        {"object_id", "o.id"},
        {"principal_id", "CAST(NULL AS int)"},
        {"schema_id", "o.uid"},
        {"parent_object_id", "o.parent_obj"},
        {"type", "o.xtype"},
        {"type_desc", "CASE upper(trim(o.xtype)) WHEN 'U' THEN 'USER_TABLE' WHEN 'V' THEN 'VIEW' "
                      "WHEN 'P' THEN 'SQL_STORED_PROCEDURE' WHEN 'TR' THEN 'SQL_TRIGGER' "
                      "WHEN 'D' THEN 'DEFAULT_CONSTRAINT' WHEN 'PK' THEN 'PRIMARY_KEY_CONSTRAINT' "
                      "WHEN 'UQ' THEN 'UNIQUE_CONSTRAINT' WHEN 'F' THEN 'FOREIGN_KEY_CONSTRAINT' "
                      "WHEN 'C' THEN 'CHECK_CONSTRAINT' WHEN 'FN' THEN 'SQL_SCALAR_FUNCTION' "
                      "WHEN 'IF' THEN 'SQL_INLINE_TABLE_VALUED_FUNCTION' "
                      "WHEN 'TF' THEN 'SQL_TABLE_VALUED_FUNCTION' WHEN 'R' THEN 'RULE' "
                      "WHEN 'X' THEN 'EXTENDED_STORED_PROCEDURE' ELSE 'USER_TABLE' END"},
        {"create_date", "o.crdate"},
        {"modify_date", "o.refdate"},
        {"is_ms_shipped", "0"},
        {"is_published", "0"},
        {"is_schema_published", "0"},
    };
    return columns;
}

// A constraint name SQL Server made up: its kind, "__" and more.
constexpr const char* kSystemNamed =
    "(o.name GLOB 'PK__*' OR o.name GLOB 'UQ__*' OR o.name GLOB 'DF__*' OR o.name GLOB 'CK__*' "
    "OR o.name GLOB 'FK__*')";

// The unique index of the referenced table whose keys are the foreign key's
// referenced columns.
constexpr const char* kKeyIndex =
    "(SELECT min(i.indid) FROM sysindexes i WHERE i.id = (SELECT max(f.rkeyid) FROM "
    "sysforeignkeys f WHERE f.constid = o.id) AND (i.status & 2) <> 0 AND (SELECT count(*) FROM "
    "sysindexkeys k WHERE k.id = i.id AND k.indid = i.indid) = (SELECT count(*) FROM "
    "sysforeignkeys f WHERE f.constid = o.id) AND NOT EXISTS (SELECT 1 FROM sysforeignkeys f "
    "WHERE f.constid = o.id AND NOT EXISTS (SELECT 1 FROM sysindexkeys k WHERE k.id = i.id AND "
    "k.indid = i.indid AND k.colid = f.rkey)))";

// The columns of sys.columns over syscolumns as "c".
const Columns& columnColumns() {
    static const Columns columns = {
        {"object_id", "c.id"},
        {"name", "c.name"},
        {"column_id", "c.colid"},
        {"system_type_id", "c.xtype"},
        {"user_type_id", "c.xusertype"},
        {"max_length", "c.length"},
        {"precision", "c.xprec"},
        {"scale", "c.xscale"},
        {"collation_name", "c.collation"},
        {"is_nullable", "c.isnullable"},
        {"is_ansi_padded", "CASE WHEN c.xtype IN (165, 167, 173, 175, 231, 239) THEN 1 ELSE 0 END"},
        {"is_rowguidcol", "EXISTS (SELECT 1 FROM testserver_rowguidcol g WHERE g.id = c.id AND "
                          "g.colid = c.colid)"},
        {"is_identity", "(c.colstat & 1)"},
        {"is_computed", "c.iscomputed"},
        {"is_filestream", "0", 2008},
        {"is_replicated", "0"},
        {"is_non_sql_subscribed", "0"},
        {"is_merge_published", "0"},
        {"is_dts_replicated", "0"},
        {"is_xml_document", "0"},
        {"xml_collection_id", "0"},
        {"default_object_id", "c.cdefault"},
        {"rule_object_id", "c.domain"},
        {"is_sparse", "0", 2008},
        {"is_column_set", "0", 2008},
        {"generated_always_type", "0", 2016},
        {"generated_always_type_desc", "'NOT_APPLICABLE'", 2016},
        {"encryption_type", "CAST(NULL AS int)", 2016},
        {"encryption_type_desc", "CAST(NULL AS text)", 2016},
        {"encryption_algorithm_name", "CAST(NULL AS text)", 2016},
        {"column_encryption_key_id", "CAST(NULL AS int)", 2016},
        {"column_encryption_key_database_name", "CAST(NULL AS text)", 2016},
        {"is_hidden", "0", 2016},
        {"is_masked", "0", 2016},
        {"graph_type", "CAST(NULL AS int)", 2019},
        {"graph_type_desc", "CAST(NULL AS text)", 2019},
        {"ledger_view_column_type", "CAST(NULL AS int)", 2022},
        {"ledger_view_column_type_desc", "CAST(NULL AS text)", 2022},
        {"is_dropped_ledger_column", "0", 2022},
    };
    return columns;
}

// Objects of a kind, and columns of tables and views, never the system tables.
constexpr const char* kUserColumns =
    "syscolumns c JOIN sysobjects o ON o.id = c.id WHERE upper(trim(o.xtype)) <> 'S'";

// The text of a module or constraint, its syscomments rows joined in order.
// NULL for an object created WITH ENCRYPTION.
constexpr const char* kDefinition =
    "CASE WHEN EXISTS (SELECT 1 FROM syscomments e WHERE e.id = o.id AND e.encrypted = 1) "
    "THEN NULL ELSE (SELECT group_concat(s.text, '') FROM (SELECT text FROM syscomments WHERE "
    "id = o.id AND number = 0 ORDER BY colid) s) END";

std::vector<CatalogViewDescription> makeDescriptions() {
    const Columns& objects = objectColumns();
    static const std::string kSchemas = std::string(schemaRowsSql()) + " s";
    return {
        {"schemas",
         {{"name", "s.name"}, {"schema_id", "s.schema_id"}, {"principal_id", "s.principal_id"}},
         kSchemas.c_str()},
        {"objects", objects, "sysobjects o WHERE upper(trim(o.xtype)) <> 'S'"},
        {"tables",
         join(objects,
              {{"lob_data_space_id", "CASE WHEN EXISTS (SELECT 1 FROM syscolumns l WHERE l.id = "
                                     "o.id AND l.xtype IN (34, 35, 99)) THEN 1 ELSE 0 END"},
               {"filestream_data_space_id", "CAST(NULL AS int)", 2008},
               {"max_column_id_used", "(SELECT max(colid) FROM syscolumns m WHERE m.id = o.id)"},
               {"lock_on_bulk_load", "0"},
               {"uses_ansi_nulls", "1"},
               {"is_replicated", "0"},
               {"has_replication_filter", "0"},
               {"is_merge_published", "0"},
               {"is_sync_tran_subscribed", "0"},
               {"has_unchecked_assembly_data", "0"},
               {"text_in_row_limit", "0"},
               {"large_value_types_out_of_row", "0"},
               {"is_tracked_by_cdc", "0", 2008},
               {"lock_escalation", "0", 2008},
               {"lock_escalation_desc", "'TABLE'", 2008},
               {"is_filetable", "0", 2012},
               {"durability", "0", 2016},
               {"durability_desc", "'SCHEMA_AND_DATA'", 2016},
               {"is_memory_optimized", "0", 2016},
               {"temporal_type", "0", 2016},
               {"temporal_type_desc", "'NON_TEMPORAL_TABLE'", 2016},
               {"history_table_id", "CAST(NULL AS int)", 2016},
               {"is_remote_data_archive_enabled", "0", 2016},
               {"is_external", "0", 2016},
               {"history_retention_period", "CAST(NULL AS int)", 2022},
               {"history_retention_period_unit", "CAST(NULL AS int)", 2022},
               {"history_retention_period_unit_desc", "CAST(NULL AS text)", 2022},
               {"is_node", "0", 2019},
               {"is_edge", "0", 2019},
               {"ledger_type", "0", 2022},
               {"ledger_type_desc", "'NON_LEDGER_TABLE'", 2022},
               {"ledger_view_id", "CAST(NULL AS int)", 2022},
               {"is_dropped_ledger_table", "0", 2022}}),
         "sysobjects o WHERE upper(trim(o.xtype)) = 'U'"},
        {"columns", columnColumns(), kUserColumns},
        {"types",
         {{"name", "t.name"},
          {"system_type_id", "t.xtype"},
          {"user_type_id", "t.xusertype"},
          {"schema_id", "CASE WHEN t.xusertype > 256 THEN 1 ELSE 4 END"},
          {"principal_id", "CAST(NULL AS int)"},
          {"max_length", "t.length"},
          {"precision", "t.xprec"},
          {"scale", "t.xscale"},
          {"collation_name", "t.collation"},
          {"is_nullable", "t.allownulls"},
          {"is_user_defined", "CASE WHEN t.xusertype > 256 THEN 1 ELSE 0 END"},
          {"is_assembly_type", "CASE WHEN t.xtype = 240 THEN 1 ELSE 0 END"},
          {"default_object_id", "t.tdefault"},
          {"rule_object_id", "t.domain"},
          {"is_table_type", "0", 2008}},
         "(SELECT name, xtype, xusertype, length, xprec, xscale, collation, allownulls, tdefault, "
         "domain FROM systypes UNION ALL SELECT name, xtype, xusertype, length, xprec, xscale, "
         "NULL, 1, 0, 0 FROM temp.testserver_later_types) t"},
        {"indexes",
         {{"object_id", "i.id"},
          {"name", "CASE WHEN i.indid = 0 THEN NULL ELSE i.name END"},
          {"index_id", "i.indid"},
          {"type", "CASE WHEN i.indid < 2 THEN i.indid ELSE 2 END"},
          {"type_desc", "CASE i.indid WHEN 0 THEN 'HEAP' WHEN 1 THEN 'CLUSTERED' "
                        "ELSE 'NONCLUSTERED' END"},
          {"is_unique", "CASE WHEN i.status & 2 THEN 1 ELSE 0 END"},
          {"data_space_id", "1"},
          {"ignore_dup_key", "(i.status & 1)"},
          {"is_primary_key", "CASE WHEN i.status & 2048 THEN 1 ELSE 0 END"},
          {"is_unique_constraint", "CASE WHEN i.status & 4096 THEN 1 ELSE 0 END"},
          {"fill_factor", "i.OrigFillFactor"},
          {"is_padded", "CASE WHEN i.status & 256 THEN 1 ELSE 0 END"},
          {"is_disabled", "0"},
          {"is_hypothetical", "0"},
          {"allow_row_locks", "1"},
          {"allow_page_locks", "1"},
          {"has_filter",
           "EXISTS (SELECT 1 FROM testserver_index_filters f WHERE f.id = i.id AND "
           "f.indid = i.indid)",
           2008},
          {"filter_definition",
           "(SELECT f.definition FROM testserver_index_filters f WHERE f.id "
           "= i.id AND f.indid = i.indid)",
           2008},
          {"compression_delay", "CAST(NULL AS int)", 2016},
          {"suppress_dup_key_messages", "0", 2019},
          {"optimize_for_sequential_key", "0", 2019}},
         "sysindexes i JOIN sysobjects o ON o.id = i.id WHERE upper(trim(o.xtype)) IN ('U', 'V') "
         "AND i.indid < 255 AND (i.status & 8388608) = 0"},
        {"index_columns",
         {{"object_id", "k.id"},
          {"index_id", "k.indid"},
          {"index_column_id", "k.keyno"},
          {"column_id", "k.colid"},
          {"key_ordinal", "k.key_ordinal"},
          {"partition_ordinal", "0"},
          {"is_descending_key", "EXISTS (SELECT 1 FROM testserver_descending_keys d WHERE d.id = "
                                "k.id AND d.indid = k.indid AND d.keyno = k.key_ordinal)"},
          {"is_included_column", "k.included"},
          {"column_store_order_ordinal", "0", 2022}},
         // The key columns, then the included ones numbered after them (their
         // key_ordinal 0).
         "(SELECT id, indid, keyno, colid, keyno AS key_ordinal, 0 AS included FROM sysindexkeys "
         "UNION ALL SELECT n.id, n.indid, n.ordinal + (SELECT count(*) FROM sysindexkeys x WHERE "
         "x.id = n.id AND x.indid = n.indid), n.colid, 0, 1 FROM testserver_included_columns n) k "
         "JOIN sysindexes i ON i.id = k.id AND i.indid = k.indid WHERE (i.status & 8388608) = 0"},
        {"key_constraints",
         join(objects, {{"unique_index_id", "(SELECT i.indid FROM sysindexes i WHERE i.id = "
                                            "o.parent_obj AND i.name = o.name)"},
                        {"is_system_named", kSystemNamed}}),
         "sysobjects o WHERE upper(trim(o.xtype)) IN ('PK', 'UQ')"},
        {"default_constraints",
         join(objects, {{"parent_column_id", "(SELECT c.colid FROM syscolumns c WHERE c.id = "
                                             "o.parent_obj AND c.cdefault = o.id)"},
                        {"definition", kDefinition},
                        {"is_system_named", kSystemNamed}}),
         "sysobjects o WHERE upper(trim(o.xtype)) = 'D' AND o.parent_obj <> 0"},
        {"check_constraints",
         join(objects,
              {{"is_disabled", "CASE WHEN o.status & 2048 THEN 1 ELSE 0 END"},
               {"is_not_for_replication", "CASE WHEN o.status & 2097152 THEN 1 ELSE 0 END"},
               {"is_not_trusted", "CASE WHEN o.status & 16384 THEN 1 ELSE 0 END"},
               {"parent_column_id", "(SELECT s.colid FROM sysconstraints s WHERE "
                                    "s.constid = o.id)"},
               {"definition", kDefinition},
               {"uses_database_collation", "1"},
               {"is_system_named", kSystemNamed}}),
         "sysobjects o WHERE upper(trim(o.xtype)) = 'C'"},
        {"foreign_keys",
         join(objects,
              {{"referenced_object_id", "(SELECT max(f.rkeyid) FROM sysforeignkeys f WHERE "
                                        "f.constid = o.id)"},
               {"key_index_id", kKeyIndex},
               {"is_disabled", "CASE WHEN o.status & 2048 THEN 1 ELSE 0 END"},
               {"is_not_for_replication", "CASE WHEN o.status & 2097152 THEN 1 ELSE 0 END"},
               {"is_not_trusted", "CASE WHEN o.status & 16384 THEN 1 ELSE 0 END"},
               {"delete_referential_action", "(SELECT s.actions & 1 FROM sysconstraints s WHERE "
                                             "s.constid = o.id)"},
               {"delete_referential_action_desc",
                "CASE WHEN (SELECT s.actions & 1 FROM sysconstraints s WHERE s.constid = o.id) "
                "THEN 'CASCADE' ELSE 'NO_ACTION' END"},
               {"update_referential_action", "(SELECT (s.actions & 2) / 2 FROM sysconstraints s "
                                             "WHERE s.constid = o.id)"},
               {"update_referential_action_desc",
                "CASE WHEN (SELECT s.actions & 2 FROM sysconstraints s WHERE s.constid = o.id) "
                "THEN 'CASCADE' ELSE 'NO_ACTION' END"},
               {"is_system_named", kSystemNamed}}),
         "sysobjects o WHERE upper(trim(o.xtype)) = 'F'"},
        {"foreign_key_columns",
         {{"constraint_object_id", "f.constid"},
          {"constraint_column_id", "f.keyno"},
          {"parent_object_id", "f.fkeyid"},
          {"parent_column_id", "f.fkey"},
          {"referenced_object_id", "f.rkeyid"},
          {"referenced_column_id", "f.rkey"}},
         "sysforeignkeys f"},
        {"computed_columns",
         join(
             columnColumns(),
             {{"definition", "(SELECT group_concat(s.text, '') FROM (SELECT text FROM "
                             "syscomments WHERE id = c.id AND number = c.colid ORDER BY colid) s)"},
              {"uses_database_collation", "1"},
              {"is_persisted", "0"}}),
         "syscolumns c JOIN sysobjects o ON o.id = c.id WHERE upper(trim(o.xtype)) <> 'S' AND "
         "c.iscomputed = 1"},
        {"identity_columns",
         join(columnColumns(),
              {{"seed_value", "(SELECT n.seed FROM testserver_identity n WHERE n.id = c.id)"},
               {"increment_value", "(SELECT n.increment FROM testserver_identity n WHERE n.id = "
                                   "c.id)"},
               {"last_value", "CAST(NULL AS int)"},
               {"is_not_for_replication", "(SELECT n.not_for_replication FROM "
                                          "testserver_identity n WHERE n.id = c.id)"}}),
         "syscolumns c JOIN sysobjects o ON o.id = c.id WHERE upper(trim(o.xtype)) <> 'S' AND "
         "(c.colstat & 1) = 1"},
        {"sql_modules",
         {{"object_id", "o.id"},
          {"definition", kDefinition},
          {"uses_ansi_nulls", "1"},
          {"uses_quoted_identifier", "1"},
          {"is_schema_bound", "0"},
          {"uses_database_collation", "0"},
          {"is_recompiled", "0"},
          {"null_on_null_input", "0"},
          {"execute_as_principal_id", "CAST(NULL AS int)"},
          {"uses_native_compilation", "0", 2016},
          {"inline_type", "0", 2019},
          {"is_inlineable", "0", 2019}},
         "sysobjects o WHERE (upper(trim(o.xtype)) IN ('P', 'V', 'TR', 'FN', 'IF', 'TF', 'R') OR "
         "(upper(trim(o.xtype)) = 'D' AND o.parent_obj = 0)) AND EXISTS (SELECT 1 FROM "
         "syscomments WHERE id = o.id)"},
    };
}

} // namespace

const std::vector<LaterSystemType>& laterSystemTypes() {
    // user_type_id 128..130: the CLR types' ids; their system_type_id is 240.
    static const std::vector<LaterSystemType> types = {
        {"xml", 241, 241, -1, 0, 0, 2005},
        {"date", 40, 40, 3, 10, 0, 2008},
        {"time", 41, 41, 5, 16, 7, 2008},
        {"datetime2", 42, 42, 8, 27, 7, 2008},
        {"datetimeoffset", 43, 43, 10, 34, 7, 2008},
        {"hierarchyid", 240, 128, 892, 0, 0, 2008},
        {"geometry", 240, 129, -1, 0, 0, 2008},
        {"geography", 240, 130, -1, 0, 0, 2008},
    };
    return types;
}

const std::vector<CatalogViewDescription>& catalogViewDescriptions() {
    static const std::vector<CatalogViewDescription> descriptions = makeDescriptions();
    return descriptions;
}

} // namespace testserver
