#pragma once

#include <string>

namespace dbc {

class Connection;

// What a capture records about itself beside the six tables, in the table
// SnapshotInfo (Name, Value): the database and server it read and when.
// A store without that table was written by an earlier version of the
// program and counts as captured when any of its six tables has rows.
struct SnapshotInfo {
    std::string database;
    std::string server;
    std::string capturedAt; // UTC, "YYYY-MM-DD HH:MM:SS"
    // SERVERPROPERTY('ProductVersion') of the source ("15.0.2000.5"); empty
    // for a snapshot written before it was recorded, or when the server
    // gave none. Written only when known.
    std::string serverVersion = {};
};

// The CREATE TABLE statement of SnapshotInfo.
std::string createSnapshotInfoSql();

// Writes `info` into the SnapshotInfo table of the store on `store`.
void writeSnapshotInfo(Connection& store, const SnapshotInfo& info);

// What the store on `store` holds.
struct CaptureState {
    bool captured = false;  // a capture completed into it
    bool described = false; // it carries SnapshotInfo rows (written by this version)
    SnapshotInfo info;
};
CaptureState readCaptureState(Connection& store);

// The current time in UTC as SnapshotInfo records it.
std::string utcNow();

} // namespace dbc
