#pragma once

#include "data/connection_security.h"

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace dbc::cli {

// One target of a many-targets run: the connection options a single run
// would take for it. Options left out have the single run's defaults.
struct TargetLine {
    std::string server = ".";
    std::string database = "hrms";
    std::string user = "Sa";
    std::size_t lineNumber = 0;
    // --encrypt MODE, -C and -E on the line; what the line leaves out comes
    // from the command line (securityFor).
    std::optional<Encryption> encryption;
    bool trustServerCertificate = false;
    bool integratedLogin = false;
};

// The target's security: the line's settings over the command line's.
ConnectionSecurity securityFor(const TargetLine& target, const ConnectionSecurity& commandLine);

// A targets file or a passwords file that cannot be used; the message names
// the file and line and never repeats a value that could be a password.
class TargetsFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads a targets file's text: one target a line as "-S server -d database
// -U user" (also --server, --database, --user, attached or apart, with "="
// for the long ones), optionally with --encrypt yes|no|strict, -C
// (--trust-server-certificate) and -E (--integrated, not with -U); a value
// with blanks in double quotes (a quote inside one doubled: ""); "#" at the
// start of a word (outside quotes) starts a comment, so names such as db#1
// stay whole; blank lines are skipped. A password option is refused, as is
// any other word, a target given twice, or a file without targets.
// `fileName` is named in messages.
std::vector<TargetLine> parseTargets(const std::string& text, const std::string& fileName);

// parseTargets over the file's contents.
std::vector<TargetLine> readTargetsFile(const std::filesystem::path& path);

} // namespace dbc::cli
