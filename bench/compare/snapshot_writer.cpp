#include "bench/compare/snapshot_writer.h"

#include "bench/support/column_values.h"
#include "snapshot/snapshot_store.h"
#include "testserver/engine/help_text.h"

#include <optional>
#include <string>

namespace dbc::bench {

namespace {

std::string textOf(const std::optional<int>& value) {
    return value ? std::to_string(*value) : std::string();
}

void writeColumns(SnapshotStore& store, const SyntheticSchema& schema) {
    for (const TableSpec& table : schema.tables) {
        for (const ColumnSpec& column : table.columns) {
            const ColumnValues v = columnValues(column);
            store.appendRow("SourceTable", {{"FieldName", column.name},
                                            {"FieldLength", textOf(v.prec)},
                                            {"FieldType", column.typeName},
                                            {"TableName", table.name},
                                            {"Collation", v.collation},
                                            {"IsNullable", column.nullable ? "1" : "0"},
                                            {"TypeStat", std::to_string(v.typestat)},
                                            {"colStat", column.identity ? "1" : "0"}});
        }
    }
}

void writeIndexes(SnapshotStore& store, const SyntheticSchema& schema) {
    for (const IndexSpec& index : schema.indexes) {
        int order = 1;
        for (const std::string& key : index.keys) {
            store.appendRow("SourceIndex", {{"TableName", index.table},
                                            {"IndexName", index.name},
                                            {"IndexField", key},
                                            {"IndexFieldOrder", std::to_string(order++)},
                                            {"Status", std::to_string(index.number)}});
        }
    }
}

struct ModuleTable {
    const char* table;
    const char* nameField;
    const char* textField;
};

ModuleTable moduleTable(ModuleKind kind) {
    switch (kind) {
    case ModuleKind::View:
        return {"SourceView", "ViewName", "ViewText"};
    case ModuleKind::Trigger:
        return {"SourceTR", "TRName", "TRText"};
    case ModuleKind::Procedure:
    case ModuleKind::Default: // the synthetic schemas hold no defaults,
    case ModuleKind::Rule:    // rules or functions as objects
    case ModuleKind::Function:
        break;
    }
    return {"SourceSp", "SpName", "SpText"};
}

void writeModules(SnapshotStore& store, const SyntheticSchema& schema) {
    for (const ModuleSpec& module : schema.modules) {
        const ModuleTable table = moduleTable(module.kind);
        for (std::string& row : testserver::helpTextRows(module.text))
            store.appendRow(table.table,
                            {{table.nameField, module.name}, {table.textField, std::move(row)}});
    }
}

void writeDefaults(SnapshotStore& store, const SyntheticSchema& schema) {
    for (const DefaultSpec& df : schema.defaults) {
        store.appendRow("SourceDF", {{"DFName", df.name},
                                     {"TableName", df.table},
                                     {"FieldName", df.column},
                                     {"DFValue", df.value}});
    }
}

} // namespace

void writeSnapshot(SnapshotStore& store, const SyntheticSchema& schema) {
    SnapshotStore::Transaction transaction(store);
    for (const char* table :
         {"SourceTable", "SourceIndex", "SourceSp", "SourceView", "SourceTR", "SourceDF"})
        store.execute(std::string("Delete From ") + table);
    writeColumns(store, schema);
    writeIndexes(store, schema);
    writeModules(store, schema);
    writeDefaults(store, schema);
    transaction.commit();
}

} // namespace dbc::bench
