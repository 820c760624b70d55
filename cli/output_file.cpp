#include "cli/output_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace dbc::cli {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void cannotWrite(const fs::path& path, int error) {
    throw OutputFileError("cannot write " + path.string() + ": " + std::strerror(error));
}

// Removes the temporary file unless it has been renamed into place.
class TemporaryFile {
public:
    TemporaryFile(fs::path path, int fd) : m_path(std::move(path)), m_fd(fd) {}
    ~TemporaryFile() {
        if (m_fd >= 0)
            ::close(m_fd);
        if (!m_kept)
            ::unlink(m_path.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    int fd() const noexcept { return m_fd; }
    const fs::path& path() const noexcept { return m_path; }
    int close() {
        int rc = ::close(m_fd);
        m_fd = -1;
        return rc;
    }
    void keep() noexcept { m_kept = true; }

private:
    fs::path m_path;
    int m_fd;
    bool m_kept = false;
};

void writeAll(int fd, std::string_view text, const fs::path& target) {
    const char* data = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        ssize_t n = ::write(fd, data, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            cannotWrite(target, errno);
        data += n;
        left -= static_cast<std::size_t>(n);
    }
}

// A device or pipe: opened and written as it is.
void writeInPlace(const fs::path& target, std::string_view text) {
    int fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        cannotWrite(target, errno);
    struct Closer {
        int fd;
        ~Closer() {
            if (fd >= 0)
                ::close(fd);
        }
    } closer{fd};
    writeAll(fd, text, target);
    closer.fd = -1;
    if (::close(fd) != 0)
        cannotWrite(target, errno);
}

} // namespace

bool sameFile(const fs::path& a, const fs::path& b) {
    struct stat first {};
    struct stat second {};
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

bool belongsToStore(const fs::path& file, const fs::path& store) {
    if (sameFile(file, store))
        return true;
    std::error_code error;
    const fs::path named = fs::weakly_canonical(file, error);
    if (error)
        return false;
    std::vector<fs::path> stores{fs::absolute(store, error).lexically_normal()};
    stores.push_back(fs::weakly_canonical(store, error));
    if (error)
        stores.pop_back();
    for (const fs::path& storePath : stores) {
        const fs::path folder = fs::weakly_canonical(storePath.parent_path(), error);
        const std::string name = storePath.filename().string();
        if (error || named.parent_path() != folder)
            continue;
        const std::string candidate = named.filename().string();
        for (const char* suffix : {"", "-journal", "-wal", "-shm"}) {
            if (candidate == name + suffix)
                return true;
        }
        if (candidate.rfind("." + name + ".capture-", 0) == 0)
            return true;
    }
    return false;
}

void writeFileWhole(const fs::path& path, std::string_view text) {
    fs::path target = path;
    std::error_code error;
    if (fs::is_symlink(path, error))
        target = fs::weakly_canonical(path);
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");

    struct stat existing {};
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode))
        cannotWrite(target, EISDIR);
    if (exists && !S_ISREG(existing.st_mode)) {
        writeInPlace(target, text);
        return;
    }
    // A file its owner made read-only is not replaced behind their back.
    if (exists && ((existing.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0))
        cannotWrite(target, EACCES);

    int fd = -1;
    fs::path temporary;
    for (int attempt = 0; fd < 0; ++attempt) {
        temporary = folder / ("." + target.filename().string() + ".tmp-" +
                              std::to_string(::getpid()) + "-" + std::to_string(attempt));
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && (errno != EEXIST || attempt > 100))
            cannotWrite(target, errno);
    }
    TemporaryFile file(temporary, fd);
    if (exists) [[maybe_unused]]
        int rc = ::fchmod(fd, existing.st_mode & 07777);

    writeAll(fd, text, target);
    if (::fsync(fd) != 0)
        cannotWrite(target, errno);
    if (file.close() != 0)
        cannotWrite(target, errno);
    if (::rename(file.path().c_str(), target.c_str()) != 0)
        cannotWrite(target, errno);
    file.keep();
}

} // namespace dbc::cli
