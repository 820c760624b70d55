#include "cli/password_file.h"

#include "catalog/name_key.h"
#include "cli/targets_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace dbc::cli {

namespace {

std::string octalMode(mode_t mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%04o", unsigned(mode & 07777));
    return text;
}

// Reads the file through one descriptor, checking that very file: a name
// swapped between the check and the read cannot slip another file in.
std::string readOwnersOnlyFile(const std::filesystem::path& path) {
    const std::string name = "the passwords file " + path.string();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        throw TargetsFileError("cannot read " + name + ": " + std::strerror(errno));
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat status {};
    if (::fstat(fd, &status) != 0)
        throw TargetsFileError("cannot read " + name + ": " + std::strerror(errno));
    if (!S_ISREG(status.st_mode))
        throw TargetsFileError(name + " is not a regular file");
    if (status.st_uid != ::geteuid())
        throw TargetsFileError(name + " belongs to another user; it must be the user's own, "
                                      "readable by no one else");
    if ((status.st_mode & (S_IRWXG | S_IRWXO)) != 0)
        throw TargetsFileError(name + " may be read or written by others (mode " +
                               octalMode(status.st_mode) +
                               "); make it readable by its owner only: chmod 600 " + path.string());
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw TargetsFileError("cannot read " + name + ": " + std::strerror(errno));
        }
        if (n == 0)
            break;
        text.append(buffer, std::size_t(n));
    }
    return text;
}

} // namespace

PasswordFile PasswordFile::read(const std::filesystem::path& path) {
    return parse(readOwnersOnlyFile(path), path.string());
}

PasswordFile PasswordFile::parse(const std::string& text, const std::string& fileName) {
    PasswordFile file;
    std::istringstream lines(text);
    std::string line;
    std::size_t number = 0;
    while (std::getline(lines, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        const std::size_t first = line.find('\t');
        const std::size_t second =
            first == std::string::npos ? std::string::npos : line.find('\t', first + 1);
        const std::string where = fileName + " line " + std::to_string(number);
        if (second == std::string::npos)
            throw TargetsFileError(where + ": give server<TAB>login<TAB>password");
        const std::string server = line.substr(0, first);
        const std::string login = line.substr(first + 1, second - first - 1);
        if (server.empty())
            throw TargetsFileError(where + ": the server is empty");
        if (!file.m_passwords
                 .emplace(std::pair(nameKey(server), nameKey(login)), line.substr(second + 1))
                 .second)
            throw TargetsFileError(where + ": that server and login are listed before");
    }
    return file;
}

std::optional<std::string> PasswordFile::find(const std::string& server,
                                              const std::string& login) const {
    const auto found = m_passwords.find({nameKey(server), nameKey(login)});
    if (found == m_passwords.end())
        return std::nullopt;
    return found->second;
}

} // namespace dbc::cli
