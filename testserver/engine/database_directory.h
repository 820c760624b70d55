#pragma once

#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace testserver {

struct DatabaseFile {
    std::string name; // as the file spells it
    std::filesystem::path path;
};

// The data directory: one NAME.sqlite catalog file per database, names
// matched ignoring letter case. Thread-safe.
class DatabaseDirectory {
public:
    explicit DatabaseDirectory(std::filesystem::path dataDir);

    const std::filesystem::path& path() const noexcept { return m_dataDir; }
    std::vector<DatabaseFile> list() const;
    std::optional<DatabaseFile> find(const std::string& name) const;
    // Creates an empty catalog file; throws ServerError 1801 when the
    // database exists.
    DatabaseFile create(const std::string& name, const std::optional<std::string>& collation);

private:
    std::filesystem::path m_dataDir;
    mutable std::mutex m_mutex;
};

} // namespace testserver
