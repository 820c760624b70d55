#include "snapshot/store_file.h"

#include "data/sqlite_connection.h"
#include "snapshot/snapshot_store.h"
#include "snapshot/store_schema.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace dbc {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kSqliteHeader{"SQLite format 3\0", 16};

// Closes a file descriptor when it goes out of scope.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) noexcept : m_fd(fd) {}
    ~FileDescriptor() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const noexcept { return m_fd; }

private:
    int m_fd;
};

// Removes a scratch file (and the journal SQLite may have left beside it)
// unless released.
class ScratchFile {
public:
    explicit ScratchFile(fs::path path) : m_path(std::move(path)) {}
    ~ScratchFile() {
        std::error_code ignored;
        fs::remove(m_path, ignored);
        fs::remove(fs::path(m_path.string() + "-journal"), ignored);
    }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;
    const fs::path& path() const noexcept { return m_path; }

private:
    fs::path m_path;
};

std::string systemError(int error) {
    return std::strerror(error);
}

[[noreturn]] void cannotCreate(const fs::path& path, const std::string& why) {
    throw StoreError("cannot create the snapshot store " + path.string() + ": " + why);
}

// Puts `scratch` in place at `path` unless something is there already.
// Returns false when `path` exists.
bool linkIntoPlace(const fs::path& scratch, const fs::path& path) {
    if (::link(scratch.c_str(), path.c_str()) == 0)
        return true;
    int error = errno;
    if (error == EEXIST)
        return false;
    if (error != EPERM && error != ENOTSUP && error != EOPNOTSUPP && error != EXDEV)
        cannotCreate(path, systemError(error));
    // A file system without hard links: a rename that refuses to replace.
    if (::renameat2(AT_FDCWD, scratch.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    error = errno;
    if (error == EEXIST)
        return false;
    cannotCreate(path, systemError(error));
}

} // namespace

std::string notAStoreMessage(const fs::path& path, const std::string& fault) {
    return path.string() + " is not a snapshot store: " + fault;
}

StoreFileState inspectStoreFile(const fs::path& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        int error = errno;
        if (error == ENOENT)
            return StoreFileState::Missing;
        throw StoreError(path.string() + " cannot be opened: " + systemError(error));
    }
    if (S_ISDIR(info.st_mode))
        throw StoreError(notAStoreMessage(path, "it is a directory"));
    if (!S_ISREG(info.st_mode))
        throw StoreError(notAStoreMessage(path, "it is not a regular file"));

    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0)
        throw StoreError(path.string() + " cannot be opened: " + systemError(errno));
    std::array<char, kSqliteHeader.size()> header{};
    std::size_t got = 0;
    while (got < header.size()) {
        ssize_t n = ::read(fd.get(), header.data() + got, header.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw StoreError(path.string() + " cannot be read: " + systemError(errno));
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    if (got == 0)
        throw StoreError(notAStoreMessage(path, "the file is empty"));
    if (std::string_view(header.data(), got) != kSqliteHeader)
        throw StoreError(notAStoreMessage(path, "it is not a SQLite database"));
    return StoreFileState::Sqlite;
}

bool createStoreFile(const fs::path& path) {
    fs::path directory = path.has_parent_path() ? path.parent_path() : fs::path(".");
    // A fresh name beside the store, created exclusively with the usual
    // permissions (the umask applies), so the store gets them too.
    std::random_device random;
    std::optional<ScratchFile> scratch;
    for (int attempt = 0; !scratch; ++attempt) {
        fs::path candidate =
            directory / ("." + path.filename().string() + ".new-" + std::to_string(random()));
        int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            scratch.emplace(candidate);
        } else if (errno != EEXIST || attempt > 100) {
            cannotCreate(path, systemError(errno));
        }
    }

    try {
        SqliteConnection connection(scratch->path(), SqliteConnection::OpenMode::ExistingReadWrite);
        connection.beginTransaction();
        for (const auto& table : storeTables())
            connection.execute(createTableSql(table));
        connection.commitTransaction();
    } catch (const std::exception& e) {
        cannotCreate(path, e.what());
    }
    return linkIntoPlace(scratch->path(), path);
}

} // namespace dbc
