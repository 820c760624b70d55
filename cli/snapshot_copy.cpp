#include "cli/snapshot_copy.h"

#include "snapshot/snapshot_store.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <unistd.h>

namespace dbc::cli {

SnapshotCopy::SnapshotCopy(const std::filesystem::path& store) {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "dbcompare-snapshot-XXXXXX").string();
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        throw std::runtime_error("cannot make a copy of the snapshot in " +
                                 std::filesystem::temp_directory_path().string() + ": " +
                                 std::strerror(errno));
    ::close(fd);
    m_path = pattern;
    try {
        auto original = SnapshotStore::openForReading(store);
        SnapshotStore::Transaction readLock(*original);
        (void)original->captured(); // takes the read lock
        std::ifstream in(store, std::ios::binary);
        std::ofstream out(m_path, std::ios::binary | std::ios::trunc);
        out << in.rdbuf();
        out.flush();
        if (!in || !out)
            throw std::runtime_error("cannot copy the snapshot file " + store.string() + " to " +
                                     m_path.string());
    } catch (...) {
        std::error_code ignored;
        std::filesystem::remove(m_path, ignored);
        throw;
    }
}

SnapshotCopy::~SnapshotCopy() {
    std::error_code ignored;
    std::filesystem::remove(m_path, ignored);
}

} // namespace dbc::cli
