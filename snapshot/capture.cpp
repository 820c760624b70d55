#include "capture.h"

#include "catalog_queries.h"
#include "database_error.h"
#include "snapshot_store.h"
#include "sql_text.h"

#include <optional>

namespace dbc {

namespace {

enum StoreTable { SourceTable, SourceIndex, SourceSp, SourceView, SourceTR, SourceDF };

// The bar's maximum of a step: the last position the row loop reaches.
int lastPosition(std::size_t count, bool countIsMaximum) {
    auto n = static_cast<int>(count);
    return countIsMaximum ? n : n - 1;
}

void emptyTable(SnapshotStore& store, const char* table) {
    store.execute(std::string("Delete From ") + table);
}

std::size_t captureColumns(Connection& source, SnapshotStore& store, CaptureObserver& observer) {
    emptyTable(store, "SourceTable");
    Result rows = source.open(catalog::captureColumns);
    if (!rows.empty())
        observer.stepStarted(CaptureStep::Columns, 0, lastPosition(rows.size(), false));
    const auto name = rows.columnIndex("Name");
    const auto length = rows.columnIndex("Length");
    const auto typeName = rows.columnIndex("TypeName");
    const auto tableName = rows.columnIndex("TableName");
    const auto collation = rows.columnIndex("Collation");
    const auto isNullable = rows.columnIndex("IsNullAble");
    const auto typeStat = rows.columnIndex("TypeStat");
    const auto colStat = rows.columnIndex("colStat");
    for (const auto& row : rows.rows()) {
        std::optional<std::string> collationValue;
        if (!row[collation].empty())
            collationValue = row[collation];
        store.appendRow("SourceTable", {{"FieldName", row[name]},
                                        {"FieldLength", row[length]},
                                        {"FieldType", row[typeName]},
                                        {"TableName", std::string(trimControl(row[tableName]))},
                                        {"Collation", collationValue},
                                        {"IsNullable", row[isNullable]},
                                        {"TypeStat", row[typeStat]},
                                        {"colStat", row[colStat]}});
        observer.advanced();
    }
    return rows.size();
}

std::size_t captureIndexKeys(Connection& source, SnapshotStore& store, CaptureObserver& observer) {
    emptyTable(store, "SourceIndex");
    Result rows = source.open(catalog::captureIndexKeys);
    if (!rows.empty())
        observer.stepStarted(CaptureStep::IndexKeys, 0, lastPosition(rows.size(), false));
    const auto tableName = rows.columnIndex("TableName");
    const auto indexName = rows.columnIndex("IndexName");
    const auto indexField = rows.columnIndex("IndexField");
    const auto fieldOrder = rows.columnIndex("IndexFieldOrder");
    const auto status = rows.columnIndex("Status");
    for (const auto& row : rows.rows()) {
        store.appendRow("SourceIndex", {{"TableName", row[tableName]},
                                        {"IndexName", row[indexName]},
                                        {"IndexField", row[indexField]},
                                        {"IndexFieldOrder", row[fieldOrder]},
                                        {"Status", row[status]}});
        observer.advanced();
    }
    return rows.size();
}

struct ObjectKind {
    CaptureStep step;
    const char* table;
    const char* nameQuery;
    const char* nameColumn;
    const char* textColumn;
};

std::size_t captureObjectTexts(Connection& source, SnapshotStore& store, CaptureObserver& observer,
                               const ObjectKind& kind, std::vector<std::string>& unreadable) {
    emptyTable(store, kind.table);
    Result names = source.open(kind.nameQuery);
    if (!names.empty())
        observer.stepStarted(kind.step, 0, lastPosition(names.size(), true));
    const auto nameColumn = names.columnIndex("Name");
    std::size_t written = 0;
    for (const auto& nameRow : names.rows()) {
        const std::string& name = nameRow[nameColumn];
        std::optional<Result> text;
        try {
            text = source.open("sp_helpText " + nStringLiteral(name));
        } catch (const DatabaseError& error) {
            // A lost connection or a server that stopped answering is no
            // fault of the object: the capture cannot go on.
            if (error.connectionLost() || error.timedOut())
                throw;
            unreadable.push_back(name);
        }
        if (text) {
            const auto textColumn = text->columnIndex("Text");
            for (const auto& textRow : text->rows()) {
                store.appendRow(kind.table,
                                {{kind.nameColumn, name}, {kind.textColumn, textRow[textColumn]}});
                ++written;
            }
        }
        observer.advanced();
    }
    return written;
}

std::size_t captureDefaults(Connection& source, SnapshotStore& store, CaptureObserver& observer) {
    emptyTable(store, "SourceDF");
    Result rows = source.open(catalog::captureDefaults);
    if (!rows.empty())
        observer.stepStarted(CaptureStep::Defaults, 0, lastPosition(rows.size(), true));
    const auto dfName = rows.columnIndex("DFName");
    const auto tableName = rows.columnIndex("TableName");
    const auto fieldName = rows.columnIndex("FieldName");
    const auto dfValue = rows.columnIndex("DFValue");
    for (const auto& row : rows.rows()) {
        store.appendRow("SourceDF", {{"DFName", row[dfName]},
                                     {"TableName", row[tableName]},
                                     {"FieldName", row[fieldName]},
                                     {"DFValue", std::string(trimControl(row[dfValue]))}});
        observer.advanced();
    }
    return rows.size();
}

} // namespace

CaptureSummary captureSource(Connection& source, SnapshotStore& store, CaptureObserver& observer) {
    CaptureSummary summary;
    SnapshotStore::Transaction transaction(store);
    summary.rows[SourceTable] = captureColumns(source, store, observer);
    observer.columnRowsWritten();
    summary.rows[SourceIndex] = captureIndexKeys(source, store, observer);
    summary.rows[SourceSp] = captureObjectTexts(
        source, store, observer,
        {CaptureStep::Procedures, "SourceSp", catalog::captureProcedureNames, "SpName", "SpText"},
        summary.objectsWithoutText);
    summary.rows[SourceView] = captureObjectTexts(
        source, store, observer,
        {CaptureStep::Views, "SourceView", catalog::captureViewNames, "ViewName", "ViewText"},
        summary.objectsWithoutText);
    summary.rows[SourceTR] = captureObjectTexts(
        source, store, observer,
        {CaptureStep::Triggers, "SourceTR", catalog::captureTriggerNames, "TRName", "TRText"},
        summary.objectsWithoutText);
    summary.rows[SourceDF] = captureDefaults(source, store, observer);
    transaction.commit();
    return summary;
}

std::string objectsWithoutTextMessage(const CaptureSummary& summary) {
    if (summary.objectsWithoutText.empty())
        return {};
    std::string message = "以下对象的文本无法读取(可能已加密),未存入源数据,不参与比对:";
    for (const auto& name : summary.objectsWithoutText)
        message += "\n" + name;
    return message;
}

} // namespace dbc
