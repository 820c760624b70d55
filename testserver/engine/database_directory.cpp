#include "testserver/engine/database_directory.h"

#include "testserver/engine/catalog_db.h"
#include "testserver/engine/catalog_schema.h"
#include "testserver/engine/name_collation.h"
#include "testserver/engine/server_error.h"

#include <algorithm>

namespace testserver {

namespace fs = std::filesystem;

namespace {

constexpr const char* kExtension = ".sqlite";

bool isValidDatabaseName(const std::string& name) {
    if (name.empty() || name.size() > 123)
        return false;
    for (char c : name)
        if (c == '/' || c == '\\' || c == '\0' || c == ':' || c == '*' || c == '?' || c == '"' ||
            c == '<' || c == '>' || c == '|')
            return false;
    return name != "." && name != "..";
}

} // namespace

DatabaseUse::DatabaseUse(DatabaseDirectory& directory, std::string key)
    : m_directory(&directory), m_key(std::move(key)) {}

DatabaseUse::~DatabaseUse() {
    release();
}

DatabaseUse::DatabaseUse(DatabaseUse&& other) noexcept
    : m_directory(other.m_directory), m_key(std::move(other.m_key)) {
    other.m_directory = nullptr;
}

DatabaseUse& DatabaseUse::operator=(DatabaseUse&& other) noexcept {
    if (this != &other) {
        release();
        m_directory = other.m_directory;
        m_key = std::move(other.m_key);
        other.m_directory = nullptr;
    }
    return *this;
}

void DatabaseUse::release() noexcept {
    if (!m_directory)
        return;
    std::lock_guard lock(m_directory->m_mutex);
    auto found = m_directory->m_uses.find(m_key);
    if (found != m_directory->m_uses.end() && --found->second == 0)
        m_directory->m_uses.erase(found);
    m_directory = nullptr;
}

DatabaseDirectory::DatabaseDirectory(fs::path dataDir) : m_dataDir(std::move(dataDir)) {}

std::vector<DatabaseFile> DatabaseDirectory::list() const {
    std::vector<DatabaseFile> files;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(m_dataDir, error)) {
        if (!entry.is_regular_file() || entry.path().extension() != kExtension)
            continue;
        files.push_back({entry.path().stem().string(), entry.path()});
    }
    std::sort(files.begin(), files.end(), [](const DatabaseFile& a, const DatabaseFile& b) {
        return compareNames(a.name, b.name) < 0;
    });
    return files;
}

std::optional<DatabaseFile> DatabaseDirectory::find(const std::string& name) const {
    for (DatabaseFile& file : list())
        if (namesEqual(file.name, name))
            return std::move(file);
    return std::nullopt;
}

DatabaseFile DatabaseDirectory::create(const std::string& name,
                                       const std::optional<std::string>& collation) {
    std::lock_guard lock(m_mutex);
    if (find(name))
        throw messages::databaseExists(name);
    if (!isValidDatabaseName(name))
        throw ServerError(messages::make(5105, 16,
                                         "Device activation error. The physical file name '" +
                                             name + "' may be incorrect."));
    fs::path path = m_dataDir / (name + kExtension);
    fs::path partial = m_dataDir / (name + kExtension + ".partial");
    std::error_code ignored;
    fs::remove(partial, ignored);
    {
        CatalogDb db(partial, CatalogDb::Mode::CreateNew);
        createCatalog(db, collation.value_or(kDefaultCollation));
    }
    fs::rename(partial, path);
    return {name, path};
}

DatabaseUse DatabaseDirectory::use(const std::string& name) {
    std::string key = asciiLower(name);
    std::lock_guard lock(m_mutex);
    ++m_uses[key];
    return DatabaseUse(*this, key);
}

void DatabaseDirectory::drop(const std::string& name) {
    std::lock_guard lock(m_mutex);
    std::optional<DatabaseFile> file = find(name);
    if (!file)
        throw ServerError(messages::make(3701, 11,
                                         "Cannot drop the database '" + name +
                                             "', because it does not exist in the system "
                                             "catalog."));
    if (m_uses.count(asciiLower(file->name)))
        throw ServerError(messages::make(3702, 16,
                                         "Cannot drop the database '" + file->name +
                                             "' because it is currently in use."));
    std::error_code error;
    fs::remove(file->path, error);
    if (error)
        throw ServerError(messages::make(5025, 16,
                                         "The file '" + file->path.string() +
                                             "' could not be deleted: " + error.message()));
}

} // namespace testserver
