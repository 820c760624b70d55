#include "snapshot/snapshot_replacement.h"

#include "data/sqlite_connection.h"
#include "data/test_point.h"
#include "snapshot/snapshot_store.h"
#include "snapshot/store_file.h"
#include "snapshot/store_queries.h"
#include "snapshot/store_schema.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace dbc {

namespace fs = std::filesystem;

namespace {

std::string systemError(int error) {
    return std::strerror(error);
}

[[noreturn]] void cannotWrite(const fs::path& target, const std::string& why) {
    throw StoreError("cannot write the snapshot file " + target.string() + ": " + why);
}

fs::path folderOf(const fs::path& file) {
    return file.has_parent_path() ? file.parent_path() : fs::path(".");
}

std::string scratchPrefix(const fs::path& target) {
    return "." + target.filename().string() + ".capture-";
}

// Scratch files of captures that were killed: their process is gone.
void removeAbandonedScratchFiles(const fs::path& target) {
    const std::string prefix = scratchPrefix(target);
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folderOf(target), error)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(prefix, 0) != 0)
            continue;
        std::string digits = name.substr(prefix.size());
        if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos ||
            digits.size() > 9)
            continue;
        const auto pid = static_cast<pid_t>(std::stol(digits));
        if (::kill(pid, 0) != 0 && errno == ESRCH) {
            std::error_code ignored;
            fs::remove(entry.path(), ignored);
        }
    }
}

// Checks the store file that will be replaced; SnapshotStore::open rolls
// back a journal a crashed writer of an earlier version left, which must not
// outlive the file it belongs to.
void checkReplaceable(const fs::path& target, const struct stat& info) {
    if ((info.st_mode & 0222) == 0)
        cannotWrite(target, "the file is read-only");
    if (::access(target.c_str(), W_OK) != 0)
        cannotWrite(target, systemError(errno));
    auto previous = SnapshotStore::open(target);
    // A write lock, taken and given back at once: another program writing
    // the file makes the capture fail now rather than after reading the
    // source.
    previous->connection().execute(store_sql::probeWriteLock);
}

void syncFile(const fs::path& path, const fs::path& target) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        cannotWrite(target, systemError(errno));
    int rc = ::fsync(fd);
    int error = errno;
    ::close(fd);
    if (rc != 0)
        cannotWrite(target, systemError(error));
}

// A folder sync makes the rename itself durable. File systems that cannot
// sync a folder refuse with EINVAL; the rename is done either way, so a
// failure here is not reported.
void syncFolder(const fs::path& folder) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    [[maybe_unused]] int rc = ::fsync(fd);
    ::close(fd);
}

} // namespace

SnapshotReplacement::SnapshotReplacement(const fs::path& path) : m_target(path) {
    std::error_code error;
    if (fs::is_symlink(path, error))
        m_target = fs::weakly_canonical(path);

    struct stat info {};
    const bool exists = ::stat(m_target.c_str(), &info) == 0;
    if (!exists && errno != ENOENT)
        cannotWrite(m_target, systemError(errno));
    if (exists) {
        inspectStoreFile(m_target);
        checkReplaceable(m_target, info);
    }

    removeAbandonedScratchFiles(m_target);
    m_scratch = folderOf(m_target) / (scratchPrefix(m_target) + std::to_string(::getpid()));
    fs::remove(m_scratch, error);
    const mode_t mode = exists ? (info.st_mode & 07777) : 0666;
    int fd = ::open(m_scratch.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0)
        cannotWrite(m_target, "cannot create a file in the folder " + folderOf(m_target).string() +
                                  ": " + systemError(errno));
    if (exists) {
        // The new snapshot keeps the old one's permissions and owner.
        [[maybe_unused]] int rc = ::fchmod(fd, mode);
        if (::geteuid() == 0)
            rc = ::fchown(fd, info.st_uid, info.st_gid);
    }
    ::close(fd);

    try {
        {
            SqliteConnection scratch(m_scratch, SqliteConnection::OpenMode::ExistingReadWrite);
            scratch.beginTransaction();
            for (const auto& table : storeTables())
                scratch.execute(createTableSql(table));
            scratch.execute(createSnapshotInfoSql());
            scratch.commitTransaction();
        }
        m_store = SnapshotStore::open(m_scratch);
        m_store->setNameInMessages(m_target);
        // The scratch file is thrown away whenever the capture does not
        // finish, so it needs no journal on disk; it is synced once, whole,
        // before the rename.
        m_store->execute(store_sql::scratchWithoutJournal);
    } catch (const StoreError&) {
        fs::remove(m_scratch, error);
        throw;
    } catch (const std::exception& e) {
        fs::remove(m_scratch, error);
        cannotWrite(m_target, e.what());
    }
}

SnapshotReplacement::~SnapshotReplacement() {
    m_store.reset();
    if (!m_committed) {
        std::error_code ignored;
        fs::remove(m_scratch, ignored);
        fs::remove(fs::path(m_scratch.string() + "-journal"), ignored);
    }
}

SnapshotStore& SnapshotReplacement::store() {
    if (!m_store)
        throw StoreError("the new snapshot for " + m_target.string() + " is closed already");
    return *m_store;
}

void SnapshotReplacement::commit(const SnapshotInfo& info) {
    writeSnapshotInfo(store().connection(), info);
    m_store.reset();
    testPoint("replace-before-sync");
    syncFile(m_scratch, m_target);
    testPoint("replace-before-rename");
    // A journal beside the store would be taken for the new file's and
    // played into it.
    for (const char* side : {"-journal", "-wal"}) {
        fs::path sideFile(m_target.string() + side);
        std::error_code error;
        if (fs::exists(sideFile, error))
            cannotWrite(m_target,
                        "another program is writing it (" + sideFile.string() + " exists)");
    }
    if (::rename(m_scratch.c_str(), m_target.c_str()) != 0)
        cannotWrite(m_target, systemError(errno));
    m_committed = true;
    testPoint("replace-after-rename");
    syncFolder(folderOf(m_target));
}

} // namespace dbc
