#include "cli/passwords_file.h"

#include "catalog/name_key.h"
#include "cli/password_file.h"
#include "cli/targets_file.h"

#include <sstream>

namespace dbc::cli {

PasswordFile PasswordFile::read(const std::filesystem::path& path) {
    try {
        return parse(readOwnerOnlyFile(path, "the passwords file"), path.string());
    } catch (const PasswordFileError& error) {
        throw TargetsFileError(error.what());
    }
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
