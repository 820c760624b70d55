#pragma once

#include <filesystem>
#include <stdexcept>
#include <string_view>

namespace dbc::cli {

// A file that could not be written; the message names it and gives the
// system's reason.
class OutputFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Writes `text` to `path` whole or not at all: into a new file in the same
// folder, synced, then renamed over `path`, so that a full disk or a crash
// leaves whatever was at `path` as it was. An existing file keeps its
// permissions; a symbolic link is followed and the file it names replaced.
// What is not a regular file (/dev/null, /dev/stdout, a pipe) is written
// directly, never replaced; a read-only file is refused.
void writeFileWhole(const std::filesystem::path& path, std::string_view text);

// True when `a` and `b` name the same existing file (links followed).
bool sameFile(const std::filesystem::path& a, const std::filesystem::path& b);

} // namespace dbc::cli
