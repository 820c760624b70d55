#pragma once

#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace testserver {

struct DatabaseFile {
    std::string name; // as the file spells it
    std::filesystem::path path;
};

class DatabaseDirectory;

// A session's hold on its current database: while one is alive the database
// cannot be dropped (SQL Server refuses to drop a database in use).
class DatabaseUse {
public:
    DatabaseUse() = default;
    DatabaseUse(DatabaseDirectory& directory, std::string key);
    ~DatabaseUse();
    DatabaseUse(DatabaseUse&& other) noexcept;
    DatabaseUse& operator=(DatabaseUse&& other) noexcept;
    DatabaseUse(const DatabaseUse&) = delete;
    DatabaseUse& operator=(const DatabaseUse&) = delete;

private:
    void release() noexcept;
    DatabaseDirectory* m_directory = nullptr;
    std::string m_key;
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
    // Marks the database as in use until the returned hold dies.
    DatabaseUse use(const std::string& name);
    // Deletes the database's catalog file; throws ServerError 3701 when there
    // is none and 3702 while a session uses it.
    void drop(const std::string& name);

private:
    friend class DatabaseUse;
    std::filesystem::path m_dataDir;
    mutable std::mutex m_mutex;
    std::map<std::string, int> m_uses; // lower-case name -> sessions using it
};

} // namespace testserver
