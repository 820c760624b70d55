#include "snapshot_info.h"

#include "connection.h"
#include "store_schema.h"

#include <ctime>

namespace dbc {

std::string createSnapshotInfoSql() {
    return "CREATE TABLE SnapshotInfo (Name TEXT, Value TEXT)";
}

void writeSnapshotInfo(Connection& store, const SnapshotInfo& info) {
    store.execute("INSERT INTO SnapshotInfo (Name, Value) VALUES ('Database', " +
                  sqlLiteral(info.database) + "), ('Server', " + sqlLiteral(info.server) +
                  "), ('CapturedAt', " + sqlLiteral(info.capturedAt) + ")");
}

CaptureState readCaptureState(Connection& store) {
    CaptureState state;
    Result table = store.open("SELECT name FROM sqlite_master WHERE type = 'table' AND "
                              "name = 'SnapshotInfo' COLLATE NOCASE");
    if (!table.empty()) {
        Result rows = store.open("SELECT Name, Value FROM SnapshotInfo");
        for (const auto& row : rows.rows()) {
            if (row[0] == "Database")
                state.info.database = row[1];
            else if (row[0] == "Server")
                state.info.server = row[1];
            else if (row[0] == "CapturedAt")
                state.info.capturedAt = row[1];
        }
        state.described = !rows.empty();
        state.captured = state.described;
        if (state.captured)
            return state;
    }
    for (const auto& storeTable : storeTables()) {
        if (!store.open("SELECT 1 FROM " + std::string(storeTable.name) + " LIMIT 1").empty()) {
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
