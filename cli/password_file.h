#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>

namespace dbc::cli {

// A password file that cannot be used; the message names the file and says
// what to do, never what the file holds.
class PasswordFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The password in the first line of `path` (without its line end). The file
// must be a regular file owned by the user running the program that no one
// else may read or write (chmod 600 or 400); otherwise, or when it cannot be
// read, throws PasswordFileError.
std::string readPasswordFile(const std::filesystem::path& path);

// The whole of `path` under the same checks, for files of passwords;
// `what` names the file in messages ("the passwords file").
std::string readOwnerOnlyFile(const std::filesystem::path& path, const std::string& what);

} // namespace dbc::cli
