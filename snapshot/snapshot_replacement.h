#pragma once

#include "snapshot/snapshot_info.h"

#include <filesystem>
#include <memory>

namespace dbc {

class SnapshotStore;

// A new snapshot written beside the store file and put in its place by one
// rename once it is complete, so that the file under the store's name is at
// every moment either the previous snapshot or the new one, each whole on
// its own, and never depends on a journal beside it.
//
//   SnapshotReplacement replacement(path);      // checks, creates the scratch
//   captureSource(source, replacement.store(), observer);
//   replacement.commit(info);                   // sync, rename, sync folder
//
// Until commit() nothing under `path` changes; a replacement destroyed
// without commit() removes its scratch file.
class SnapshotReplacement {
public:
    // Checks that the store can be replaced before any source is read: an
    // existing file must be a store (StoreError otherwise, the file left as
    // it is), writable, and not locked by another program; its folder must
    // take a new file, which the scratch file (".NAME.capture-PID" in the
    // same folder, so the rename stays on one file system) proves. A
    // symbolic link is followed: the file it names is replaced. Scratch
    // files of captures whose process has ended are removed.
    explicit SnapshotReplacement(const std::filesystem::path& path);
    ~SnapshotReplacement();
    SnapshotReplacement(const SnapshotReplacement&) = delete;
    SnapshotReplacement& operator=(const SnapshotReplacement&) = delete;

    // The new snapshot: the six empty tables, to be filled by a capture.
    SnapshotStore& store();

    // Records `info`, closes the new snapshot, syncs it to disk, renames it
    // over the store file and syncs the folder. Throws StoreError naming the
    // store file when any of it fails; the previous snapshot then stays.
    void commit(const SnapshotInfo& info);

    // The file that is (or will be) replaced.
    const std::filesystem::path& target() const noexcept { return m_target; }

private:
    std::filesystem::path m_target;
    std::filesystem::path m_scratch;
    std::unique_ptr<SnapshotStore> m_store;
    bool m_committed = false;
};

} // namespace dbc
