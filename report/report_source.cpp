#include "report/report_source.h"

#include "snapshot/snapshot_info.h"
#include "snapshot/snapshot_store.h"

namespace dbc::report {

ReportSource reportSourceOf(const std::filesystem::path& snapshot,
                            const std::filesystem::path& shownPath) {
    ReportSource source;
    source.snapshotFile = shownPath.string();
    auto store = SnapshotStore::openForReading(snapshot);
    const CaptureState state = readCaptureState(store->connection());
    if (state.described) {
        source.server = state.info.server;
        source.database = state.info.database;
        source.capturedAt = state.info.capturedAt;
    }
    source.generatedAt = utcNow();
    return source;
}

} // namespace dbc::report
