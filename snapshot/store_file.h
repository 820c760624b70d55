#pragma once

#include <filesystem>
#include <string>

namespace dbc {

// What a path holds before the store is opened on it.
enum class StoreFileState {
    Missing, // nothing there: the store may be created
    Sqlite,  // a readable regular file that begins with SQLite's header
};

// Looks at `path` without changing it. Throws StoreError naming the file when
// it cannot be a store: a directory or other non-regular file, unreadable,
// empty, or not a SQLite database.
StoreFileState inspectStoreFile(const std::filesystem::path& path);

// Creates a new store at `path` holding the six empty tables. The tables are
// built in a scratch file beside it that is then linked into place, so that
// no half-made store is ever seen under `path` and a file that appeared
// there meanwhile is left alone: returns false in that case.
bool createStoreFile(const std::filesystem::path& path);

// "<path> is not a snapshot store: <fault>".
std::string notAStoreMessage(const std::filesystem::path& path, const std::string& fault);

} // namespace dbc
