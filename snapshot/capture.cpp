#include "snapshot/capture.h"

#include "catalog/versioned_reader.h"
#include "data/database_error.h"
#include "data/sql_text.h"
#include "snapshot/snapshot_store.h"

namespace dbc {

namespace {

enum StoreTable { SourceTable, SourceIndex, SourceSp, SourceView, SourceTR, SourceDF };

// The bar's maximum of a step: the last position the row loop reaches.
int lastPosition(std::size_t count, bool countIsMaximum) {
    auto n = static_cast<int>(count);
    return countIsMaximum ? n : n - 1;
}

// One row or object is done: tells the observer, then stops the capture when
// asked to. The store transaction is then rolled back by its owner.
void advance(CaptureObserver& observer) {
    observer.advanced();
    if (observer.stopRequested())
        throw OperationStopped();
}

void startStep(CaptureObserver& observer, CaptureStep step, std::size_t count,
               bool countIsMaximum) {
    if (count > 0)
        observer.stepStarted(step, 0, lastPosition(count, countIsMaximum));
}

std::size_t captureColumns(Connection& source, SnapshotStore& store, CaptureObserver& observer,
                           const ServerVersion& version) {
    store.emptyTable("SourceTable");
    std::vector<Table> tables = readTables(source, CatalogSide::Capture, version);
    std::size_t count = 0;
    for (const Table& table : tables)
        count += table.columns.size();
    startStep(observer, CaptureStep::Columns, count, false);
    for (Table& table : tables) {
        for (Column& column : table.columns) {
            // The store keeps table names without control bytes at their ends.
            column.table = std::string(trimControl(column.table));
            store.appendColumn(column);
            advance(observer);
        }
    }
    return count;
}

std::size_t captureIndexKeys(Connection& source, SnapshotStore& store, CaptureObserver& observer,
                             const ServerVersion& version) {
    store.emptyTable("SourceIndex");
    const std::vector<TableIndexes> tables = readIndexes(source, CatalogSide::Capture, version);
    std::size_t count = 0;
    for (const TableIndexes& table : tables) {
        for (const Index& index : table.indexes)
            count += index.keys.size();
    }
    startStep(observer, CaptureStep::IndexKeys, count, false);
    for (const TableIndexes& table : tables) {
        for (const Index& index : table.indexes) {
            for (const IndexKey& key : index.keys) {
                store.appendIndexKey(index, key);
                advance(observer);
            }
            std::size_t position = index.keys.size();
            for (const std::string& column : index.included)
                store.appendIncludedColumn(index, column, ++position);
        }
    }
    return count;
}

std::size_t captureModules(Connection& source, SnapshotStore& store, CaptureObserver& observer,
                           CaptureStep step, const ObjectKind& kind,
                           std::vector<std::string>& unreadable, const ServerVersion& version) {
    store.emptyTable(kind.storeTable);
    const std::vector<ModuleText> modules = readModules(
        source, kind, unreadable,
        [&](std::size_t count) { startStep(observer, step, count, true); },
        [&observer] { advance(observer); }, version);
    std::size_t written = 0;
    for (const ModuleText& module : modules) {
        for (const std::string& row : module.rows)
            store.appendModuleRow(kind, module.name, row);
        written += module.rows.size();
    }
    return written;
}

std::size_t captureDefaults(Connection& source, SnapshotStore& store, CaptureObserver& observer,
                            const ServerVersion& version) {
    store.emptyTable("SourceDF");
    std::vector<DefaultConstraint> defaults = readDefaults(source, CatalogSide::Capture, version);
    startStep(observer, CaptureStep::Defaults, defaults.size(), true);
    for (DefaultConstraint& constraint : defaults) {
        // The store keeps a definition without control bytes at its ends.
        constraint.value = std::string(trimControl(constraint.value));
        store.appendDefault(constraint);
        advance(observer);
    }
    return defaults.size();
}

// The foreign keys, CHECK constraints and alias types come in one query each; they are
// written without a bar step of their own.
void captureConstraints(Connection& source, SnapshotStore& store, CaptureObserver& observer,
                        const ServerVersion& version) {
    store.emptyTable("SourceFK");
    for (const ForeignKey& key : readForeignKeys(source, CatalogSide::Capture, version))
        store.appendForeignKey(key);
    advance(observer);
    store.emptyTable("SourceCK");
    for (const CheckConstraint& check : readChecks(source, version))
        store.appendCheck(check);
    advance(observer);
    store.emptyTable("SourceType");
    for (const AliasType& type : readServerAliasTypes(source))
        store.appendAliasType(type);
    advance(observer);
}

} // namespace

CaptureSummary captureSource(Connection& source, SnapshotStore& store, CaptureObserver& observer,
                             const ServerVersion& version) {
    CaptureSummary summary;
    SnapshotStore::Transaction transaction(store);
    store.addMissingColumns();
    summary.rows[SourceTable] = captureColumns(source, store, observer, version);
    observer.columnRowsWritten();
    summary.rows[SourceIndex] = captureIndexKeys(source, store, observer, version);
    summary.rows[SourceSp] = captureModules(source, store, observer, CaptureStep::Procedures,
                                            procedureKind, summary.objectsWithoutText, version);
    summary.rows[SourceView] = captureModules(source, store, observer, CaptureStep::Views, viewKind,
                                              summary.objectsWithoutText, version);
    summary.rows[SourceTR] = captureModules(source, store, observer, CaptureStep::Triggers,
                                            triggerKind, summary.objectsWithoutText, version);
    summary.rows[SourceDF] = captureDefaults(source, store, observer, version);
    captureConstraints(source, store, observer, version);
    summary.functionRows = captureModules(source, store, observer, CaptureStep::Functions,
                                          functionKind, summary.objectsWithoutText, version);
    transaction.commit();
    return summary;
}

} // namespace dbc
