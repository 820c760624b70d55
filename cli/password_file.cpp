#include "cli/password_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dbc::cli {

namespace {

// Closes the descriptor when it goes.
struct Descriptor {
    int fd;
    ~Descriptor() {
        if (fd >= 0)
            ::close(fd);
    }
};

} // namespace

std::string readOwnerOnlyFile(const std::filesystem::path& path, const std::string& what) {
    const auto refuse = [&](const std::string& why) {
        throw PasswordFileError(what + " " + path.string() + " " + why);
    };
    // The checks are made on the file opened, so it cannot be swapped
    // between the check and the read.
    Descriptor file{::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK)};
    if (file.fd < 0)
        refuse(std::string("cannot be read: ") + std::strerror(errno));
    struct stat info {};
    if (::fstat(file.fd, &info) != 0)
        refuse(std::string("cannot be read: ") + std::strerror(errno));
    if (!S_ISREG(info.st_mode))
        refuse("is not a regular file");
    if (info.st_uid != ::geteuid())
        refuse("belongs to another user; use a file of your own that only you can read");
    if ((info.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(info.st_mode & 07777));
        refuse(std::string("can be read or written by other users (mode ") + mode +
               "); make it readable by its owner only: chmod 600 " + path.string());
    }
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(file.fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            refuse(std::string("cannot be read: ") + std::strerror(errno));
        }
        if (got == 0)
            break;
        text.append(buffer, static_cast<std::size_t>(got));
        if (text.size() > (1 << 20))
            refuse("is larger than a password file can be (1 MiB)");
    }
    return text;
}

std::string readPasswordFile(const std::filesystem::path& path) {
    std::string text = readOwnerOnlyFile(path, "the password file");
    text = text.substr(0, text.find('\n'));
    if (!text.empty() && text.back() == '\r')
        text.pop_back();
    return text;
}

} // namespace dbc::cli
