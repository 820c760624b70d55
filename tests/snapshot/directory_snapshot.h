#pragma once

#include <filesystem>
#include <map>
#include <string>

namespace dbc::test {

// Every entry under a directory (relative path -> file bytes, "<dir>" or
// "<link to TARGET>"),
// to show that an operation left the directory exactly as it was.
using DirectorySnapshot = std::map<std::string, std::string>;

DirectorySnapshot snapshotDirectory(const std::filesystem::path& directory);

std::string readBytes(const std::filesystem::path& file);

} // namespace dbc::test
