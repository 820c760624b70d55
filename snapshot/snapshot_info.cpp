#include "snapshot/snapshot_info.h"

#include "data/connection.h"
#include "snapshot/store_queries.h"
#include "snapshot/store_schema.h"

#include <ctime>

namespace dbc {

std::string createSnapshotInfoSql() {
    return store_sql::createSnapshotInfo;
}

void writeSnapshotInfo(Connection& store, const SnapshotInfo& info) {
    store.execute(store_sql::insertSnapshotInfo(sqlLiteral(info.database), sqlLiteral(info.server),
                                                sqlLiteral(info.capturedAt)));
    if (!info.serverVersion.empty())
        store.execute(store_sql::insertSnapshotServerVersion(sqlLiteral(info.serverVersion)));
}

CaptureState readCaptureState(Connection& store) {
    CaptureState state;
    Result table = store.open(store_sql::snapshotInfoTable);
    if (!table.empty()) {
        Result rows = store.open(store_sql::snapshotInfoRows);
        for (const auto& row : rows.rows()) {
            if (row[0] == "Database")
                state.info.database = row[1];
            else if (row[0] == "Server")
                state.info.server = row[1];
            else if (row[0] == "CapturedAt")
                state.info.capturedAt = row[1];
            else if (row[0] == "ServerVersion")
                state.info.serverVersion = row[1];
        }
        state.described = !rows.empty();
        state.captured = state.described;
        if (state.captured)
            return state;
    }
    for (const auto& storeTable : storeTables()) {
        // A store with an optional table was written with SnapshotInfo.
        if (storeTable.optional)
            continue;
        if (!store.open(store_sql::anyRow(std::string(storeTable.name))).empty()) {
            state.captured = true;
            break;
        }
    }
    return state;
}

std::string utcNow() {
    std::time_t now = std::time(nullptr);
    std::tm parts{};
    gmtime_r(&now, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &parts);
    return text;
}

} // namespace dbc
