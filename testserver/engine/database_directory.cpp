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

} // namespace testserver
