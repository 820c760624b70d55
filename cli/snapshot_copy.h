#pragma once

#include <filesystem>

namespace dbc::cli {

// A private copy of the snapshot file in the temporary folder, so that every
// target of a run compares with the same snapshot even when a capture
// replaces the file meanwhile; each job opens the copy on its own SQLite
// connection. Removed when destroyed.
class SnapshotCopy {
public:
    // Copies `store` while holding a read transaction on it (a rolled-back
    // journal and a writer are thus never copied half-way). Throws
    // StoreError or std::runtime_error naming the file.
    explicit SnapshotCopy(const std::filesystem::path& store);
    ~SnapshotCopy();
    SnapshotCopy(const SnapshotCopy&) = delete;
    SnapshotCopy& operator=(const SnapshotCopy&) = delete;

    const std::filesystem::path& path() const noexcept { return m_path; }

private:
    std::filesystem::path m_path;
};

} // namespace dbc::cli
