#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <utility>

namespace dbc::cli {

// The passwords of a many-targets run, by server and login.
class PasswordFile {
public:
    // Reads lines "server<TAB>login<TAB>password" (a line end of "\r\n"
    // taken as "\n"; lines starting with "#" and empty lines skipped). The
    // file must be a regular file of the user running the program that no
    // one else may read or write; otherwise, and for a line without two
    // tabs, TargetsFileError says what is wrong, never showing a line.
    static PasswordFile read(const std::filesystem::path& path);
    // The same over text already read, for tests; `fileName` for messages.
    static PasswordFile parse(const std::string& text, const std::string& fileName);

    // The password of `login` on `server` (both matched letter case aside),
    // if the file has one.
    std::optional<std::string> find(const std::string& server, const std::string& login) const;

private:
    std::map<std::pair<std::string, std::string>, std::string> m_passwords;
};

} // namespace dbc::cli
