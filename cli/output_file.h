#pragma once

#include <filesystem>
#include <stdexcept>
#include <string_view>

namespace dbc::cli {

// A file that could not be written; the message names it and gives the
// system's reason.
class OutputFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Writes `text` to `path` whole or not at all: into a new file in the same
// folder, synced, then renamed over `path`, so that a full disk or a crash
// leaves whatever was at `path` as it was. An existing file keeps its
// permissions; a symbolic link is followed and the file it names replaced.
// What is not a regular file (/dev/null, /dev/stdout, a pipe) is written
// directly, never replaced; a read-only file is refused.
void writeFileWhole(const std::filesystem::path& path, std::string_view text);

// True when `a` and `b` name the same existing file (links followed).
bool sameFile(const std::filesystem::path& a, const std::filesystem::path& b);

// True when `file` is the snapshot file `store` or one of the files that
// belong to it, existing or not: its SQLite journal, WAL and shared-memory
// files ("-journal", "-wal", "-shm") and a capture's scratch file
// (".NAME.capture-PID" in its folder), beside the store as named and beside
// the file a symbolic link names. Such a file is removed or replaced by the
// store's next use.
bool belongsToStore(const std::filesystem::path& file, const std::filesystem::path& store);

} // namespace dbc::cli
