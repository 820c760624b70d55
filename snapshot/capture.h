#pragma once

#include "catalog/server_version.h"
#include "data/connection.h"

#include <array>
#include <cstddef>
#include <string>
#include <vector>

namespace dbc {

class SnapshotStore;

// The steps of a capture, in the order they run; each fills one store table.
enum class CaptureStep { Columns, IndexKeys, Procedures, Views, Triggers, Defaults, Functions };

// Receives a capture's progress. The bar gets one range per step; the
// window shows it, the command line draws it on a terminal.
class CaptureObserver {
public:
    virtual ~CaptureObserver() = default;
    // A step with rows to write begins: the bar shows `minimum`..`maximum`,
    // position 0. A step without rows leaves the bar as it was.
    virtual void stepStarted(CaptureStep step, int minimum, int maximum) = 0;
    // One row or object of the step is done.
    virtual void advanced() = 0;
    // The column rows are written (the count label may be refreshed).
    virtual void columnRowsWritten() {}
    // Asked between rows and objects: true stops the capture, which then
    // throws OperationStopped and leaves the previous snapshot as it was.
    virtual bool stopRequested() { return false; }
};

// What a finished capture wrote.
struct CaptureSummary {
    // Rows per store table, in the order SourceTable, SourceIndex, SourceSp,
    // SourceView, SourceTR, SourceDF.
    std::array<std::size_t, 6> rows{};
    // The text rows of functions (SourceFN).
    std::size_t functionRows = 0;
    // Procedures, views, triggers and functions whose text the server would
    // not give (created WITH ENCRYPTION, for instance); they have no rows.
    std::vector<std::string> objectsWithoutText;
};

// Reads the catalog of the source database behind `source` and replaces the
// tables of `store` with it (the optional ones created where the file lacks
// them). Everything happens in one store
// transaction that is committed only after the whole source has been read:
// any failure leaves the previous snapshot exactly as it was and is thrown.
// `version` picks how the catalog is read (server_version.h): the caller
// asks the server once (readServerVersion); SQL Server 2000 by default.
CaptureSummary captureSource(Connection& source, SnapshotStore& store, CaptureObserver& observer,
                             const ServerVersion& version = {});

} // namespace dbc
